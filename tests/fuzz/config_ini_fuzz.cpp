// CONFIG.ini as the program reads and rewrites it, one key at a time.
#include <QString>
#include <array>

#include "fuzz_support.h"
#include "platform/ini_file.h"

namespace {

using talvik::platform::IniFile;

const QString kSetting = QStringLiteral("SETTING");
const std::array<QString, 3> kKeys = {QStringLiteral("lanId"), QStringLiteral("Startup"),
                                      QStringLiteral("Feedback")};
constexpr int kMissing = -12345;

std::array<int, kKeys.size()> ReadAll(const IniFile& ini) {
    std::array<int, kKeys.size()> values{};
    for (std::size_t k = 0; k < kKeys.size(); ++k) {
        values[k] = ini.ReadInt(kSetting, kKeys[k], kMissing);
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& folder = talvik::fuzz::FreshFolder();
    const std::filesystem::path file = folder / "CONFIG.ini";
    talvik::fuzz::WriteBytes(file, data, size);
    const IniFile ini(QString::fromStdString(file.string()));

    // Reading never changes the file.
    std::array<int, kKeys.size()> values = ReadAll(ini);
    FUZZ_CHECK(talvik::fuzz::SameBytes(talvik::fuzz::ReadBytes(file), data, size));
    const int other = ini.ReadInt(QStringLiteral("OTHER"), QStringLiteral("lanId"), kMissing);

    // Each write is read back, and leaves the other keys and sections as they were.
    for (std::size_t k = 0; k < kKeys.size(); ++k) {
        const int value = static_cast<int>(size) * 31 + static_cast<int>(k) - 1000;
        FUZZ_CHECK(ini.WriteInt(kSetting, kKeys[k], value));
        values[k] = value;
        FUZZ_CHECK(ReadAll(ini) == values);
        FUZZ_CHECK(ini.ReadInt(QStringLiteral("OTHER"), QStringLiteral("lanId"), kMissing) ==
                   other);
    }
    // Writing what is there already changes nothing.
    const std::vector<std::uint8_t> written = talvik::fuzz::ReadBytes(file);
    FUZZ_CHECK(ini.WriteInt(kSetting, kKeys[0], values[0]));
    FUZZ_CHECK(talvik::fuzz::ReadBytes(file) == written);
    return 0;
}
