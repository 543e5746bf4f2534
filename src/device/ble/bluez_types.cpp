#include "device/ble/bluez_types.h"

#include <QDBusMetaType>
#include <mutex>

namespace talvik::device {

void RegisterBluezTypes() {
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<InterfaceMap>();
        qDBusRegisterMetaType<ManagedObjects>();
    });
}

}  // namespace talvik::device
