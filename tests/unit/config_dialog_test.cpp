// The configuration dialog through the descriptor's message procedure, over the
// simulated dialog and list box.

#include "plugin/config_dialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/context.h"
#include "hostsim/reference_host.h"
#include "platform/sim/sim.h"
#include "plugin/lifecycle.h"
#include "tests/unit/harness.h"

namespace {

constexpr int showConfigurationRequest = 1024;
constexpr int ok = 1;
constexpr int cancel = 2;

class ConfigDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset();
        resetPluginState();
        pluginContext = new PluginContext;
    }
    void TearDown() override {
        resetPluginState();
        sim::reset();
    }

    void setPortName(const char* name) {
        std::snprintf(pluginContext->settings.portName, sizeof pluginContext->settings.portName, "%s", name);
    }

    // Shows the dialog as the host does; `script` plays the user.
    int showDialog(std::function<void(platform::WindowHandle)> script) {
        sim::setDialogScript(std::move(script));
        return pluginDescriptor.messageProc(showConfigurationRequest, 0, 0, 0);
    }
};

std::vector<std::string> expectedPorts() {
    std::vector<std::string> ports;
    for (int number = 1; number <= 20; ++number) ports.push_back("COM" + std::to_string(number));
    return ports;
}

TEST_F(ConfigDialogTest, ListsCom1ToCom20AndSelectsTheFirstEntryBeginningWithTheStoredName) {
    struct Case {
        const char* stored;
        int selected;
    };
    // COM2 is a prefix of COM20 too: the first match wins. Case does not count.
    // A name outside the list selects nothing.
    for (Case c : {Case{"COM2", 1}, Case{"COM1", 0}, Case{"COM20", 19}, Case{"com5", 4}, Case{"\\\\.\\COM3", -1}}) {
        setPortName(c.stored);
        std::vector<std::string> items;
        int selection = -2;
        EXPECT_EQ(showDialog([&](platform::WindowHandle dialog) {
                      items = sim::listBoxItems(dialog, portListBox);
                      selection = sim::listBoxSelection(dialog, portListBox);
                      sim::dialogCommand(dialog, cancel);
                  }),
                  1);
        EXPECT_EQ(sim::lastDialogTemplate(), configDialogTemplate);
        EXPECT_EQ(items, expectedPorts()) << c.stored;
        EXPECT_EQ(selection, c.selected) << c.stored;
        EXPECT_STREQ(pluginContext->settings.portName, c.stored);
    }
}

// After COM20: the ports above COM20 the system has, in ascending number, each
// once, then a stored port above COM20 that is away; the stored port selected.
TEST_F(ConfigDialogTest, PortsAboveCom20FollowTheTwentyAndTheStoredOneIsSelectedPresentOrAway) {
    struct Case {
        std::vector<std::string> present;
        const char* stored;
        std::vector<std::string> after20;
        int selected;
        const char* afterOk;
    };
    const std::vector<std::string> machine = {"COM3",  "COM37",  "COM21", "COM1234567890123", "CNCA0",
                                              "COM20", "COM037", "COM37", "COM123456789012",  "COM2x"};
    const std::vector<std::string> offered = {"COM21", "COM37", "COM123456789012"};
    for (const Case& c : {
             // The twenty's own rules hold with more ports listed.
             Case{machine, "COM2", offered, 1, "COM2"},
             Case{machine, "COM6", offered, 5, "COM6"},
             Case{{}, "COM6", {}, 5, "COM6"},
             // A stored COM23 present, and away.
             Case{{"COM37", "COM23"}, "COM23", {"COM23", "COM37"}, 20, "COM23"},
             Case{{"COM37"}, "COM23", {"COM37", "COM23"}, 21, "COM23"},
             Case{{}, "com23", {"COM23"}, 20, "COM23"},
             // Away, it is selected itself, not a present port it is the beginning of.
             Case{{"COM210"}, "COM21", {"COM210", "COM21"}, 21, "COM21"},
         }) {
        sim::setPresentSerialPorts(c.present);
        setPortName(c.stored);
        std::vector<std::string> items;
        int selection = -2;
        showDialog([&](platform::WindowHandle dialog) {
            items = sim::listBoxItems(dialog, portListBox);
            selection = sim::listBoxSelection(dialog, portListBox);
            sim::dialogCommand(dialog, ok);
        });
        std::vector<std::string> expected = expectedPorts();
        expected.insert(expected.end(), c.after20.begin(), c.after20.end());
        EXPECT_EQ(items, expected) << c.stored;
        EXPECT_EQ(selection, c.selected) << c.stored;
        EXPECT_STREQ(pluginContext->settings.portName, c.afterOk) << c.stored;
    }

    // Choosing a port above COM20 stores it.
    sim::setPresentSerialPorts(machine);
    setPortName("COM6");
    showDialog([](platform::WindowHandle dialog) {
        sim::selectListBoxItem(dialog, portListBox, 21);
        sim::dialogCommand(dialog, ok);
    });
    EXPECT_STREQ(pluginContext->settings.portName, "COM37");
}

TEST_F(ConfigDialogTest, OkStoresTheSelectedPortAndCancelKeepsTheStoredOne) {
    // The stored name in lower case: OK writes the list's own spelling.
    setPortName("com5");
    showDialog([](platform::WindowHandle dialog) { sim::dialogCommand(dialog, ok); });
    EXPECT_STREQ(pluginContext->settings.portName, "COM5");
    EXPECT_EQ(sim::lastDialogResult(), 1);

    setPortName("COM6");
    showDialog([](platform::WindowHandle dialog) {
        sim::selectListBoxItem(dialog, portListBox, 2);
        sim::dialogCommand(dialog, ok);
    });
    EXPECT_STREQ(pluginContext->settings.portName, "COM3");

    showDialog([](platform::WindowHandle dialog) {
        sim::selectListBoxItem(dialog, portListBox, 11);
        sim::dialogCommand(dialog, cancel);
    });
    EXPECT_STREQ(pluginContext->settings.portName, "COM3");
    EXPECT_EQ(sim::lastDialogResult(), 0);

    // Other notifications (the list box's own) neither close nor store.
    showDialog([](platform::WindowHandle dialog) {
        sim::selectListBoxItem(dialog, portListBox, 7);
        sim::dialogCommand(dialog, portListBox);
        EXPECT_EQ(sim::listBoxItems(dialog, portListBox).size(), 20u);
        sim::dialogCommand(dialog, cancel);
    });
    EXPECT_STREQ(pluginContext->settings.portName, "COM3");
    EXPECT_EQ(sim::lastDialogResult(), 0);
}

TEST_F(ConfigDialogTest, OkWithoutASelectionOrWithAnItemTooLongForThePortNameKeepsTheStoredName) {
    setPortName("\\\\.\\COM42");
    showDialog([](platform::WindowHandle dialog) { sim::dialogCommand(dialog, ok); });
    EXPECT_STREQ(pluginContext->settings.portName, "\\\\.\\COM42");
    EXPECT_EQ(sim::lastDialogResult(), 1);

    // An item of 16 characters would not leave room for the NUL; one of 15 fits.
    auto chooseAddedItem = [](const char* text) {
        return [text](platform::WindowHandle dialog) {
            platform::WindowHandle list = platform::dialogItem(dialog, portListBox);
            auto item = reinterpret_cast<platform::LParam>(text);
            platform::sendMessage(list, platform::listBoxAddString, 0, item);
            sim::selectListBoxItem(dialog, portListBox, 20);
            sim::dialogCommand(dialog, ok);
        };
    };
    const char* tooLong = "COM1234567890123";
    ASSERT_EQ(std::strlen(tooLong), sizeof pluginContext->settings.portName);
    showDialog(chooseAddedItem(tooLong));
    EXPECT_STREQ(pluginContext->settings.portName, "\\\\.\\COM42");

    showDialog(chooseAddedItem("COM123456789012"));
    EXPECT_STREQ(pluginContext->settings.portName, "COM123456789012");
}

TEST_F(ConfigDialogTest, OnlyTheShowConfigurationRequestOpensTheDialog) {
    setPortName("COM6");
    bool shown = false;
    sim::setDialogScript([&](platform::WindowHandle) { shown = true; });
    for (int message : {0, 1, 1023, 1025, -1024, 2048}) {
        EXPECT_EQ(pluginDescriptor.messageProc(message, 0, 0, 0), 0) << message;
    }
    EXPECT_FALSE(shown);
    EXPECT_EQ(sim::lastDialogTemplate(), 0);

    // Messages a dialog procedure does not handle are left to the default handling.
    EXPECT_EQ(configDialogProc(nullptr, 0x0010 /* close */, 0, 0), 0);
    EXPECT_EQ(configDialogProc(nullptr, 0x0002 /* destroy */, 0, 0), 0);

    // Before any start there is no port name to edit.
    resetPluginState();
    EXPECT_EQ(pluginDescriptor.messageProc(showConfigurationRequest, 0, 0, 0), 0);
    EXPECT_FALSE(shown);
}

// The chosen port is saved at quit; the open port stays until the next start.
class ConfigDialogLifecycleTest : public PluginTest {};

TEST_F(ConfigDialogLifecycleTest, ChosenPortIsWrittenAtQuitWhileTheOpenPortStays) {
    ASSERT_EQ(startPlugin(), 0);
    sim::setDialogScript([](platform::WindowHandle dialog) {
        sim::selectListBoxItem(dialog, portListBox, 2);
        sim::dialogCommand(dialog, ok);
    });
    int handled = 0;
    sim::runOnUiThread([&] { handled = pluginDescriptor.messageProc(showConfigurationRequest, 0, 0, 0); });
    EXPECT_EQ(handled, 1);
    EXPECT_STREQ(pluginContext->settings.portName, "COM3");
    EXPECT_TRUE(sim::portIsOpen("COM6"));

    stopPlugin();
    std::string saved;
    ASSERT_TRUE(sim::iniValue(host->iniPath, "Quillon Bluetooth remote control", "portName", &saved));
    EXPECT_EQ(saved, "COM3");
}

}  // namespace
