#include "protocol/read_back.h"

#include <array>

#include "platform/trace.h"
#include "protocol/read_request.h"

namespace talvik::protocol {

namespace {

using Buffer = std::array<std::uint8_t, kReadBufferSize>;

std::optional<PollingSettings> ReadPolling(Exchange& exchange) {
    for (int j = 0; j < kReadAttempts && !exchange.Abandoned(); ++j) {
        if (!exchange.RequestBlock(kPollingBlock, kPollingBlockLength)) {
            continue;
        }
        Buffer buffer{};
        buffer[0] = kPollingBlock;
        if (!exchange.ReadBlock(buffer, kPollingBlockLength)) {
            continue;
        }
        platform::Trace("QueryPollRateSettingFrFW i= %d j = %d\r\n", 0, j);
        return DecodePollingBlock(buffer);
    }
    return std::nullopt;
}

std::optional<SensorSettings> ReadSensor(Exchange& exchange, Clock& clock) {
    for (int j = 0; j < kReadAttempts && !exchange.Abandoned(); ++j) {
        if (!exchange.RequestBlock(kSensorBlock, kSensorBlockLength)) {
            continue;
        }
        Buffer buffer{};
        buffer[0] = kSensorBlock;
        const bool read = exchange.ReadBlock(buffer, kSensorBlockLength);
        clock.Sleep(kSensorReadPauseMs);
        if (!read) {
            platform::Trace("QueryDPISetting i= %d j = %d\r\n", 0, j);
            return std::nullopt;
        }
        if (buffer[0] != kSensorBlock || buffer[1] < kSensorBlockLength) {
            continue;
        }
        platform::Trace("QueryDPISetting i= %d j = %d\r\n", 0, j);
        return DecodeSensorBlock(buffer);
    }
    return std::nullopt;
}

std::optional<LightSettings> ReadLight(Exchange& exchange) {
    for (int j = 0; j < kReadAttempts && !exchange.Abandoned(); ++j) {
        if (!exchange.RequestBlock(kLightBlock, kLightBlockLength)) {
            continue;
        }
        Buffer buffer{};
        buffer[0] = kLightBlock;
        if (!exchange.ReadBlock(buffer, kLightBlockLength)) {
            continue;
        }
        platform::Trace("QueryLightSettingFrFW i= %d j = %d\r\n", 0, j);
        return DecodeLightBlock(buffer);
    }
    return std::nullopt;
}

}  // namespace

ReadBackResult RunReadBack(Exchange& exchange, Clock& clock, const Links& links) {
    ReadBackResult result;
    if (links.flags.ble) {
        result.over_ble = true;
        if (links.handles.ble) {
            const ReadRequest request = BuildBleReadRequest();
            result.ble_requested = links.handles.ble->Write(request);
        }
        return result;
    }
    result.polling = ReadPolling(exchange);
    result.sensor = ReadSensor(exchange, clock);
    result.light = ReadLight(exchange);
    return result;
}

}  // namespace talvik::protocol
