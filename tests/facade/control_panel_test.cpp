// The control-panel texts: read from the platform's Bluetooth control-panel table with every "&"
// removed, and empty when the table, its menu, the sub-menu or the item is missing. Also the
// resource-module table they come from.
#include <memory>
#include <string>

#include "facade_fixture.h"
#include "platform/last_error.h"
#include "platform/resources/resource_module.h"
#include "qelcfg/QelConfig.h"

using namespace qel::platform;
using qbtapiM::QelConfig;
using qel::test::FacadeTest;

namespace {

class ControlPanelTest : public FacadeTest {};

struct Texts {
    std::u16string add, show, settings, on, off;
    bool operator==(const Texts&) const = default;
};

Texts read_texts() {
    return {QelConfig::GetAddaBluetoothDeviceString(), QelConfig::GetShowBluetoothDevicesString(),
            QelConfig::GetOpenBluetoothSettingsString(), QelConfig::GetTurnBluetoothAdapterOnString(),
            QelConfig::GetTurnBluetoothAdapterOffString()};
}

// A control panel whose menu 2140 holds `first` as its first item.
std::shared_ptr<ResourceModule> control_panel_with(MenuItem first) {
    auto module = std::make_shared<ResourceModule>();
    module->file_name = u"BTHPROPS.CPL";
    Menu menu;
    menu.items.push_back(std::move(first));
    module->menus.emplace(kBluetoothControlPanelMenu, std::move(menu));
    return module;
}

std::shared_ptr<Menu> pop_up(std::vector<MenuItem> items) {
    auto m = std::make_shared<Menu>();
    m->items = std::move(items);
    return m;
}

}  // namespace

TEST_F(ControlPanelTest, ShippedTextsComeWithoutAccelerators) {
    const Texts texts = read_texts();
    EXPECT_EQ(texts, (Texts{u"Pair a new Bluetooth device...", u"List my Bluetooth devices", u"Bluetooth preferences",
                            u"Switch the radio on", u"Switch the radio off"}));
}

TEST_F(ControlPanelTest, EveryAmpersandIsRemovedAndOnlyTheFirstSubMenuCounts) {
    ScopedResourceModule replaced(
        u"bthprops.cpl",
        control_panel_with({0, u"&File", pop_up({{2141, u"&&Add && pair&", nullptr},
                                                  {2142, u"", nullptr},
                                                  {0, u"More", pop_up({{2147, u"N&ested", nullptr}})}})}));
    EXPECT_EQ(QelConfig::GetAddaBluetoothDeviceString(), u"Add  pair");
    EXPECT_EQ(QelConfig::GetShowBluetoothDevicesString(), u"");
    EXPECT_EQ(QelConfig::GetOpenBluetoothSettingsString(), u"Nested");  // found in a nested pop-up
    EXPECT_EQ(QelConfig::GetTurnBluetoothAdapterOnString(), u"");
}

TEST_F(ControlPanelTest, TextsOfTheSecondPopUpAreNotFound) {
    auto module = control_panel_with({0, u"First", pop_up({{2141, u"Add", nullptr}})});
    module->menus.at(kBluetoothControlPanelMenu).items.push_back({0, u"Second", pop_up({{2160, u"Off", nullptr}})});
    ScopedResourceModule replaced(u"bthprops.cpl", module);
    EXPECT_EQ(QelConfig::GetAddaBluetoothDeviceString(), u"Add");
    EXPECT_EQ(QelConfig::GetTurnBluetoothAdapterOffString(), u"");
}

TEST_F(ControlPanelTest, MissingLibraryMenuSubMenuOrItemGivesEmptyTexts) {
    const Texts empty{};
    {
        ScopedResourceModule removed(u"bthprops.cpl", nullptr);
        set_last_error(ERROR_INVALID_PARAMETER);
        EXPECT_EQ(read_texts(), empty);
        EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);  // the caller's last error is kept
    }
    {
        auto module = std::make_shared<ResourceModule>();
        module->file_name = u"bthprops.cpl";
        module->menus.emplace(2141, Menu{{{0, u"Wrong menu", pop_up({{2141, u"Add", nullptr}})}}});
        ScopedResourceModule no_menu(u"bthprops.cpl", module);
        EXPECT_EQ(read_texts(), empty);
    }
    {
        // The first item of menu 2140 is a command, not a pop-up.
        ScopedResourceModule no_sub_menu(u"bthprops.cpl", control_panel_with({2141, u"&Add", nullptr}));
        EXPECT_EQ(read_texts(), empty);
    }
    {
        ScopedResourceModule no_items(u"bthprops.cpl", control_panel_with({0, u"Empty", pop_up({})}));
        EXPECT_EQ(read_texts(), empty);
    }
    // The shipped table is back.
    EXPECT_EQ(QelConfig::GetTurnBluetoothAdapterOffString(), u"Switch the radio off");
}

TEST_F(ControlPanelTest, TextIsCutTo259CharactersBeforeAmpersandsGo) {
    std::u16string long_text(300, u'x');
    long_text[258] = u'&';
    ScopedResourceModule replaced(u"bthprops.cpl",
                                  control_panel_with({0, u"P", pop_up({{2142, long_text, nullptr}})}));
    // 259 characters are read, one of them the "&".
    EXPECT_EQ(QelConfig::GetShowBluetoothDevicesString(), std::u16string(258, u'x'));
}

TEST_F(ControlPanelTest, ModulesAreFoundWithoutRegardToCaseAndStayValidWhenRemoved) {
    auto held = load_resource_module(u"BthProps.Cpl");
    ASSERT_TRUE(held);
    set_last_error(0);
    EXPECT_EQ(load_resource_module(u"qelrez-missing.dll"), nullptr);
    EXPECT_EQ(last_error(), ERROR_MOD_NOT_FOUND);

    auto removed = remove_resource_module(u"BTHPROPS.cpl");
    EXPECT_EQ(removed, held);
    EXPECT_EQ(load_resource_module(u"bthprops.cpl"), nullptr);
    // What a caller loaded before stays usable.
    const Menu* menu = held->menu(kBluetoothControlPanelMenu);
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(menu->sub_menu(0), nullptr);
    EXPECT_EQ(menu->sub_menu(0)->item_text(2159, MAX_PATH), u"Switch the radio &on");
    EXPECT_EQ(menu->sub_menu(1), nullptr);
    EXPECT_EQ(menu->sub_menu(0)->item_text(2159, 0), std::nullopt);
    EXPECT_EQ(menu->sub_menu(0)->item_text(0, MAX_PATH), std::nullopt);  // separators are no commands

    install_resource_module(removed);
    EXPECT_EQ(load_resource_module(u"bthprops.cpl"), held);
}
