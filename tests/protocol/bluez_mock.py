#!/usr/bin/python3
"""Helper for the BlueZ writer test: sets up mock GATT objects on a running dbusmock, or prints
the values written to one characteristic."""
import sys
import time

import dbus
import dbusmock

CHAR = 'org.bluez.GattCharacteristic1'
FEE3 = '0000fee3-0000-1000-8000-00805f9b34fb'
FEE4 = '0000fee4-0000-1000-8000-00805f9b34fb'


def mock_object(bus, path):
    for _ in range(200):  # the mock takes a moment to claim its name
        try:
            obj = bus.get_object('org.bluez', path)
            obj.GetAll('org.freedesktop.DBus.ObjectManager',
                       dbus_interface=dbus.PROPERTIES_IFACE)
            return obj
        except dbus.exceptions.DBusException:
            time.sleep(0.05)
    raise SystemExit('mock did not come up')


def setup(bus):
    mock = mock_object(bus, '/')
    write = [('WriteValue', 'aya{sv}', '', '')]
    for device in ('dev_AA', 'dev_BB'):
        base = '/org/bluez/hci0/' + device
        mock.AddObject(base, 'org.bluez.Device1', {'Connected': True}, [],
                       dbus_interface=dbusmock.MOCK_IFACE)
        mock.AddObject(base + '/service0010/char0011', CHAR, {'UUID': FEE4}, write,
                       dbus_interface=dbusmock.MOCK_IFACE)
        mock.AddObject(base + '/service0010/char0013', CHAR, {'UUID': FEE3.upper()}, write,
                       dbus_interface=dbusmock.MOCK_IFACE)
    print('ready', flush=True)


def calls(bus, path):
    obj = bus.get_object('org.bluez', path)
    for _, method, args in obj.GetCalls(dbus_interface=dbusmock.MOCK_IFACE):
        if method == 'WriteValue':
            print(' '.join('%02X' % b for b in args[0]) + ' ' + str(args[1].get('type', '')))


if __name__ == '__main__':
    connection = dbus.bus.BusConnection(sys.argv[2])
    if sys.argv[1] == 'setup':
        setup(connection)
    else:
        calls(connection, sys.argv[3])
