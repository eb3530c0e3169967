// The port name and the host's settings from its INI file; the two folders.
#pragma once

constexpr const char* settingsSection = "Quillon Bluetooth remote control";

void readSettings();
void writeSettings();
void findHostDirectory();
void findMyMusicFolder();
