// JSON the command-line tool's from-json turns into a profile or macro file.
#include <QByteArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <memory>

#include "fuzz_support.h"
#include "record_checks.h"
#include "record_json.h"

namespace {

using namespace talvik;

// A record filled with a pattern, so that a refusal that still wrote something shows.
template <typename Record>
std::unique_ptr<Record> Patterned() {
    auto record = std::make_unique<Record>();
    auto* bytes = reinterpret_cast<std::uint8_t*>(record.get());
    for (std::size_t i = 0; i < sizeof(Record); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return record;
}

template <typename Record, typename FromJson, typename ToJson>
void Check(const QJsonObject& json, FromJson from_json, ToJson to_json) {
    auto record = Patterned<Record>();
    const auto untouched = Patterned<Record>();
    std::string error;
    if (!from_json(json, *record, &error)) {
        // A refusal says why and changes nothing.
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(fuzz::SameRecord(*record, *untouched));
        return;
    }
    FUZZ_CHECK(error.empty());
    // What was accepted comes back byte for byte through the tool's own output: show prints
    // FormatJson of ToJson, and from-json reads that text again.
    const tools::Namer namer;
    const QByteArray shown = tools::FormatJson(to_json(*record, namer));
    QJsonParseError parse{};
    const QJsonDocument again = QJsonDocument::fromJson(shown, &parse);
    FUZZ_CHECK(parse.error == QJsonParseError::NoError && again.isObject());
    auto rebuilt = Patterned<Record>();
    FUZZ_CHECK(from_json(again.object(), *rebuilt, &error));
    FUZZ_CHECK(fuzz::SameRecord(*rebuilt, *record));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
        return 0;
    }
    const QJsonObject json = doc.object();
    Check<profile::ProfileInfo>(json, tools::ProfileFromJson, tools::ProfileToJson);
    Check<macro::MacroInfo>(json, tools::MacroFromJson, tools::MacroToJson);
    return 0;
}
