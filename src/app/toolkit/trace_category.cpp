#include "app/toolkit/trace_category.h"

#include <QString>
#include <string_view>

#include "platform/trace.h"

namespace talvik::toolkit {

Q_LOGGING_CATEGORY(lcTrace, "talvik.trace", QtInfoMsg)

void InstallTraceCategory() {
    platform::SetTraceSink([](std::string_view line) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        qCDebug(lcTrace).noquote()
            << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    });
}

}  // namespace talvik::toolkit
