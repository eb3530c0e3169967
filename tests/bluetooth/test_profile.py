'''The Bluetooth serial service against a mock BlueZ on a private system bus.

Usage: test_profile.py DRIVER   (the profile driver program)
'''
import os
import signal
import socket
import subprocess
import sys
import unittest

import dbus
import dbusmock

DRIVER = sys.argv.pop(1)
TEMPLATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'bluez_profiles.py')
PHONE = '/org/bluez/hci0/dev_00_11_22_33_44_55'
OTHER = '/org/bluez/hci0/dev_66_77_88_99_AA_BB'


class SerialProfileTest(dbusmock.DBusTestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_system_bus()
        cls.bus = cls.get_dbus(system_bus=True)

    def setUp(self):
        self.mock_process, self.bluez = self.spawn_server_template(TEMPLATE, stdout=subprocess.DEVNULL)
        self.addCleanup(self.mock_process.wait)
        self.addCleanup(self.mock_process.terminate)

    def start_driver(self, *arguments):
        driver = subprocess.Popen([DRIVER, '--bus', os.environ['DBUS_SYSTEM_BUS_ADDRESS'], *arguments],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.addCleanup(driver.communicate)
        self.addCleanup(lambda: driver.poll() is None and driver.kill())
        return driver

    def connect(self, device):
        fd, error, message = self.bluez.Connect(device, dbus_interface=dbusmock.MOCK_IFACE)
        end = socket.socket(fileno=fd.take())
        self.addCleanup(end.close)
        return end, error, message

    def calls(self, method):
        return [args for _, args in self.bluez.GetMethodCalls(method, dbus_interface=dbusmock.MOCK_IFACE)]

    def test_registers_serves_one_phone_and_unregisters_on_sigterm(self):
        driver = self.start_driver('--channel', '3', '--name', 'Car stereo')
        self.assertEqual(driver.stdout.readline(), 'registered\n')
        [(path, uuid, options)] = self.calls('RegisterProfile')
        self.assertEqual(uuid, '00001101-0000-1000-8000-00805f9b34fb')
        self.assertEqual(dict(options), {'Name': 'Car stereo', 'Role': 'server', 'Channel': 3,
                                         'RequireAuthentication': True, 'RequireAuthorization': True,
                                         'AutoConnect': False})
        self.assertIsInstance(options['Channel'], dbus.UInt16)

        phone, error, _ = self.connect(PHONE)
        self.assertEqual(error, '')
        lines = phone.makefile('rw')
        self.assertEqual(lines.readline(), f'hello {PHONE}\n')
        lines.write('27\n')
        lines.flush()
        self.assertEqual(lines.readline(), 'echo 27\n')

        other, error, message = self.connect(OTHER)
        self.assertEqual((error, message), ('org.bluez.Error.Rejected', 'One phone at a time: another is connected'))
        self.assertEqual([driver.stderr.readline() for _ in range(3)],
                         ['Bluetooth: serial service "Car stereo" registered on RFCOMM channel 3\n',
                          f'Bluetooth: connected to {PHONE}\n',
                          f'Bluetooth: rejected {OTHER}: another phone is connected\n'])

        # Only BlueZ may call the profile.
        owner = self.bluez.ProfileOwner(dbus_interface=dbusmock.MOCK_IFACE)
        with self.assertRaises(dbus.exceptions.DBusException) as stranger:
            self.bus.call_blocking(owner, path, 'org.bluez.Profile1', 'RequestDisconnection', 'o', [PHONE])
        self.assertEqual(stranger.exception.get_dbus_name(), 'org.freedesktop.DBus.Error.AccessDenied')
        # The call after the rejection is served once the rejected descriptor is gone.
        other.setblocking(False)
        self.assertEqual(other.recv(1), b'')

        self.bluez.Disconnect(PHONE, dbus_interface=dbusmock.MOCK_IFACE)
        self.assertEqual(driver.stdout.readline(), f'disconnect {PHONE}\n')
        self.assertEqual(lines.readline(), '')

        driver.send_signal(signal.SIGTERM)
        self.assertEqual(driver.wait(), 0)
        self.assertEqual(self.calls('UnregisterProfile'), [[path]])

    def test_a_refused_registration_fails_with_bluez_message(self):
        self.bluez.Refuse('org.bluez.Error.AlreadyExists', 'UUID already registered',
                          dbus_interface=dbusmock.MOCK_IFACE)
        driver = self.start_driver()
        _, errors = driver.communicate()
        self.assertEqual(driver.returncode, 2)
        self.assertEqual(errors, 'Bluetooth: BlueZ refused the serial service: '
                                 'org.bluez.Error.AlreadyExists: UUID already registered\n')

    def test_without_bluez(self):
        self.mock_process.terminate()
        self.mock_process.wait()
        driver = self.start_driver()
        _, errors = driver.communicate()
        self.assertEqual(driver.returncode, 2)
        self.assertEqual(errors, 'Bluetooth: BlueZ is not running (no org.bluez on the system bus)\n')


if __name__ == '__main__':
    unittest.main()
