#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <memory>
#include <string>

#include "cli.h"
#include "macro/record_name.h"
#include "record_json.h"

namespace talvik::tools {

// Prints `record` as JSON, with function and key names from the language file and the active
// keyboard layout where they can be had.
template <typename Record>
int PrintJson(Context& context, const Record& record,
              QJsonObject (*to_json)(const Record&, const Namer&)) {
    LanguageTexts texts;
    std::string ignored;
    const bool have_texts = texts.Load(context.resource_dir, &ignored);
    const auto layout = MakeLayout(std::nullopt, &ignored);
    const QByteArray json =
        FormatJson(to_json(record, Namer{have_texts ? &texts : nullptr, layout.get()}));
    context.out.write(json.constData(), json.size());
    return context.out.good() ? 0 : Fail(context, "cannot write the output");
}

// The new, show and from-json commands, alike for profile and macro files. `Traits` gives the
// record type, how to make a fresh one and how to convert it.
template <typename Traits>
int RunRecordCommands(Context& context, const CommandGroup& group) {
    using Record = typename Traits::Record;
    const OutputArgs args = ParseOutputArgs(context.args);
    if (!args.error.empty()) {
        return UsageError(context, group, args.error);
    }
    const std::vector<std::string>& words = args.positional;
    const std::string command = words.empty() ? std::string() : words[0];
    const bool needs_output = command == "new" || command == "from-json";
    if (words.size() != 2 || (command != "new" && command != "show" && command != "from-json")) {
        return UsageError(context, group,
                          command.empty() ? "missing command" : "unknown use of " + command);
    }
    if (needs_output != args.output.has_value()) {
        return UsageError(context, group,
                          needs_output ? command + " needs -o FILE" : "show takes no -o");
    }
    std::string error;
    auto record = std::make_unique<Record>();

    if (command == "new") {
        const std::u16string name = macro::Utf8ToUtf16(words[1]);
        if (name.empty()) {
            return Fail(context, "the name is empty");
        }
        if (name.size() > Traits::kNameUnits - 1) {
            return Fail(context, "the name is longer than " +
                                     std::to_string(Traits::kNameUnits - 1) + " characters");
        }
        Traits::MakeNew(*record, name);
    } else if (command == "show") {
        if (!ReadRecordFile(words[1], record.get(), sizeof(Record), &error)) {
            return Fail(context, error);
        }
        return PrintJson(context, *record, &Traits::ToJson);
    } else {
        const std::optional<std::string> text = ReadWholeFile(words[1], &error);
        if (!text) {
            return Fail(context, error);
        }
        QJsonParseError parse{};
        const QJsonDocument doc = QJsonDocument::fromJson(
            QByteArray(text->data(), static_cast<qsizetype>(text->size())), &parse);
        if (parse.error != QJsonParseError::NoError) {
            return Fail(context, words[1] + ": not JSON: " + parse.errorString().toStdString() +
                                     " at byte " + std::to_string(parse.offset));
        }
        if (!doc.isObject()) {
            return Fail(context, words[1] + ": not a JSON object");
        }
        if (!Traits::FromJson(doc.object(), *record, &error)) {
            return Fail(context, words[1] + ": " + error);
        }
    }
    if (!WriteWholeFile(*args.output, record.get(), sizeof(Record), &error)) {
        return Fail(context, error);
    }
    return 0;
}

}  // namespace talvik::tools
