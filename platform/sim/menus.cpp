// Simulated menus: an in-memory tree of items, each with a text and an
// optional sub-menu, destroyed with its sub-menus as DestroyMenu does.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

namespace {

using platform::MenuHandle;

struct MenuItem {
    std::string text;
    MenuHandle subMenu = nullptr;
};

struct Menus {
    std::mutex mutex;
    std::map<MenuHandle, std::vector<MenuItem>> byHandle;
    std::uintptr_t nextNumber = 1;
};

Menus& menus() {
    static Menus* state = new Menus;
    return *state;
}

void destroyLocked(Menus& m, MenuHandle menu) {
    auto found = m.byHandle.find(menu);
    if (found == m.byHandle.end()) return;
    std::vector<MenuItem> items = std::move(found->second);
    m.byHandle.erase(found);
    for (const MenuItem& item : items) destroyLocked(m, item.subMenu);
}

const MenuItem* itemAt(Menus& m, MenuHandle menu, int position) {
    auto found = m.byHandle.find(menu);
    if (found == m.byHandle.end() || position < 0) return nullptr;
    if (static_cast<std::size_t>(position) >= found->second.size()) return nullptr;
    return &found->second[static_cast<std::size_t>(position)];
}

}  // namespace

namespace sim {

namespace detail {

void resetMenus() {
    Menus& m = menus();
    std::lock_guard<std::mutex> lock(m.mutex);
    m.byHandle.clear();
}

}  // namespace detail

int liveMenuCount() {
    Menus& m = menus();
    std::lock_guard<std::mutex> lock(m.mutex);
    return static_cast<int>(m.byHandle.size());
}

}  // namespace sim

namespace platform {

MenuHandle createMenu() {
    Menus& m = menus();
    std::lock_guard<std::mutex> lock(m.mutex);
    MenuHandle menu = sim::detail::handleFromNumber<MenuHandle>(0x2000 + m.nextNumber++);
    m.byHandle[menu];
    return menu;
}

void appendMenuItem(MenuHandle menu, const char* text, MenuHandle subMenu) {
    Menus& m = menus();
    std::lock_guard<std::mutex> lock(m.mutex);
    auto found = m.byHandle.find(menu);
    if (found == m.byHandle.end()) return;
    found->second.push_back({text != nullptr ? text : "", subMenu});
}

int menuItemCount(MenuHandle menu) {
    Menus& m = menus();
    std::lock_guard<std::mutex> lock(m.mutex);
    auto found = m.byHandle.find(menu);
    // GetMenuItemCount answers -1 for a handle that is not a menu.
    return found != m.byHandle.end() ? static_cast<int>(found->second.size()) : -1;
}

int menuItemText(MenuHandle menu, int position, char* out, int size) {
    Menus& m = menus();
    std::lock_guard<std::mutex> lock(m.mutex);
    const MenuItem* item = itemAt(m, menu, position);
    if (out == nullptr || size <= 0) return 0;
    if (item == nullptr) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<int>(sim::detail::copyCut(item->text, out, static_cast<std::size_t>(size)));
}

MenuHandle subMenu(MenuHandle menu, int position) {
    Menus& m = menus();
    std::lock_guard<std::mutex> lock(m.mutex);
    const MenuItem* item = itemAt(m, menu, position);
    if (item == nullptr || m.byHandle.count(item->subMenu) == 0) return nullptr;
    return item->subMenu;
}

void destroyMenu(MenuHandle menu) {
    Menus& m = menus();
    std::lock_guard<std::mutex> lock(m.mutex);
    destroyLocked(m, menu);
}

}  // namespace platform
