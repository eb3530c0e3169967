// The port name and the host's settings from its INI file; the two folders.
#pragma once

struct PluginContext;
struct Settings;

constexpr const char* settingsSection = "Quillon Bluetooth remote control";

void readSettings(PluginContext& context);
void writeSettings(const Settings& settings);
void findHostDirectory(Settings& settings);
void findMyMusicFolder(Settings& settings);
