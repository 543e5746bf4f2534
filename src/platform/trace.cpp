#include "platform/trace.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace talvik::platform {

namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

TraceSink& Sink() {
    static TraceSink sink;
    return sink;
}

}  // namespace

void SetTraceSink(TraceSink sink) {
    std::lock_guard lock(SinkMutex());
    Sink() = std::move(sink);
}

void Trace(const char* format, ...) {
    char stack_buffer[512];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(stack_buffer, sizeof stack_buffer, format, args);
    va_end(args);
    std::string line;
    if (length < 0) {
        va_end(copy);
        return;
    }
    if (static_cast<size_t>(length) < sizeof stack_buffer) {
        line.assign(stack_buffer, static_cast<size_t>(length));
    } else {
        line.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(line.data(), line.size(), format, copy);
        line.resize(static_cast<size_t>(length));
    }
    va_end(copy);
    std::lock_guard lock(SinkMutex());
    if (Sink()) {
        Sink()(line);
    }
}

}  // namespace talvik::platform
