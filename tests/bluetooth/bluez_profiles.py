'''A BlueZ of the test's own: org.bluez.ProfileManager1 at /org/bluez.

RegisterProfile keeps the caller's name and path (and refuses, after
Refuse(name, message)); UnregisterProfile forgets them. On the mock interface,
Connect(device) hands the registered profile one end of a socket pair and
returns the other with the profile's error, if any; Disconnect(device) asks the profile to end it; ProfileOwner()
is the registered profile's bus name.
'''
import socket

import dbus
from dbusmock import MOCK_IFACE

SYSTEM_BUS = True
BUS_NAME = 'org.bluez'
MAIN_OBJ = '/org/bluez'
MAIN_IFACE = 'org.bluez.ProfileManager1'
PROFILE_IFACE = 'org.bluez.Profile1'


def load(mock, _parameters):
    mock.profile = None
    mock.refusal = None


@dbus.service.method(MAIN_IFACE, in_signature='osa{sv}', out_signature='', sender_keyword='sender')
def RegisterProfile(self, path, _uuid, _options, sender=None):
    if self.refusal:
        raise dbus.exceptions.DBusException(self.refusal[1], name=self.refusal[0])
    self.profile = (sender, path)


@dbus.service.method(MAIN_IFACE, in_signature='o', out_signature='')
def UnregisterProfile(self, path):
    if not self.profile or self.profile[1] != path:
        raise dbus.exceptions.DBusException('not registered', name='org.bluez.Error.DoesNotExist')
    self.profile = None


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def Refuse(self, name, message):
    self.refusal = (name, message)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='s')
def ProfileOwner(self):
    return self.profile[0]


def _profile(self):
    return dbus.Interface(self.connection.get_object(*self.profile), PROFILE_IFACE)


@dbus.service.method(MOCK_IFACE, in_signature='o', out_signature='hss')
def Connect(self, device):
    kept, given = socket.socketpair()
    error = ('', '')
    try:
        _profile(self).NewConnection(device, dbus.types.UnixFd(given), {})
    except dbus.exceptions.DBusException as e:
        error = (e.get_dbus_name(), e.get_dbus_message())
    given.close()
    return (dbus.types.UnixFd(kept), *error)


@dbus.service.method(MOCK_IFACE, in_signature='o', out_signature='')
def Disconnect(self, device):
    _profile(self).RequestDisconnection(device)
