#include "browser/BrowserLibrary.h"

#include "browser/BrowserUnit.h"
#include "browser_messages/BrowserMessages.h"
#include "forms/units/CoreUnitTypes.h"
#include "runtime/Memory.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace quilbex::browser {

namespace {

// Interface routines of the control (interface numbers of the unit contract):
// 1 create, 2 property-update check (true), 3 initialise custom data
// (nothing to do), 4 property changed, 5 all property data, 6 one property,
// 8 key wanted (false), 12 default size (200 x 100 when asked with 0).
bool update_check() { return true; }
void initialise_custom_data(forms::UnitObject*) {}
bool key_wanted(forms::UnitObject*, int) { return false; }
bool default_size(int which, int* width, int* height) {
    if (which != 0 || !width || !height)
        return false;
    *width = 200;
    *height = 100;
    return true;
}

BrowserUnit* unit_of(forms::UnitObject* object) { return dynamic_cast<BrowserUnit*>(object); }

void property_changed(forms::UnitObject* object, int number, const forms::PropertyValue& value) {
    if (BrowserUnit* unit = unit_of(object))
        unit->control().property_changed(number, value);
}
std::vector<std::uint8_t> all_properties(forms::UnitObject* object) {
    BrowserUnit* unit = unit_of(object);
    return unit ? unit->control().property_data() : std::vector<std::uint8_t>{};
}
forms::PropertyValue read_property(forms::UnitObject* object, int number) {
    BrowserUnit* unit = unit_of(object);
    return unit ? unit->control().read_property(number) : forms::PropertyValue{};
}

rt::UnitInterfaceRoutine interface_routine(std::uint32_t number) {
    switch (number) {
    case 1: return reinterpret_cast<rt::UnitInterfaceRoutine>(&BrowserUnit::create);
    case 2: return reinterpret_cast<rt::UnitInterfaceRoutine>(&update_check);
    case 3: return reinterpret_cast<rt::UnitInterfaceRoutine>(&initialise_custom_data);
    case 4: return reinterpret_cast<rt::UnitInterfaceRoutine>(&property_changed);
    case 5: return reinterpret_cast<rt::UnitInterfaceRoutine>(&all_properties);
    case 6: return reinterpret_cast<rt::UnitInterfaceRoutine>(&read_property);
    case 8: return reinterpret_cast<rt::UnitInterfaceRoutine>(&key_wanted);
    case 12: return reinterpret_cast<rt::UnitInterfaceRoutine>(&default_size);
    default: return nullptr;
    }
}

BrowserUnit* control_of(int argc, const rt::ArgRecord* args) {
    if (argc < 1 || !args)
        return nullptr;
    return BrowserUnit::find(args[0].low, args[0].high);
}

struct Library {
    // Indexed by property index: the eight common properties, then the control's own.
    std::array<rt::PropertyDescription, forms::kCommonPropertyCount + 9> properties;
    std::array<rt::DataTypeRecord, 5> types{};
    std::array<rt::CommandRoutine, 2> commands{&get_cookie_command, &clear_cookie_command};
    rt::LibraryInfo info;

    Library() {
        using forms::kKindInteger;
        using forms::kKindText;
        const auto common = forms::common_property_descriptions();
        std::copy(common.begin(), common.end(), properties.begin());
        const rt::PropertyDescription own[] = {
            {messages::property_address(), "Address", "", kKindText, 0, nullptr},
            {messages::property_title(), "Title", "", kKindText, 0, nullptr},
            {messages::property_disable_f5(), "DisableF5", "", kKindInteger, 0, nullptr},
            {messages::property_cookie_mode(), "CookieMode", "", kKindInteger, 0, nullptr},
            {messages::property_cache_directory(), "CacheDirectory", "", kKindText, 0, nullptr},
            {messages::property_cookie_directory(), "CookieDirectory", "", kKindText, 0, nullptr},
            {messages::property_user_agent(), "UserAgent", "", kKindText, 0, nullptr},
            {messages::property_design_preview(), "DesignPreview", "", kKindInteger, 0, nullptr},
            {messages::property_new_window(), "NewWindowNavigation", "", kKindInteger, 0, nullptr},
        };
        std::copy(std::begin(own), std::end(own), properties.begin() + forms::kCommonPropertyCount);
        // Types 1 to 4 are empty: templates name only type 5.
        for (auto& type : types)
            type = rt::DataTypeRecord{"", "", "", 0, nullptr, 0, 0, 0, nullptr, 0, nullptr, nullptr, 0, nullptr};
        rt::DataTypeRecord& control = types[4];
        control.name = messages::type_name();
        control.englishName = "WebBrowser";
        control.stateFlags = 0x80000000u | rt::kTypeFlagUnitB;
        control.eventCount = 33;
        control.propertyCount = static_cast<std::uint32_t>(properties.size());
        control.properties = properties.data();
        control.interfaceRoutine = &interface_routine;
        info.identifier = "quilbex-web-browser";
        info.majorVersion = 1;
        info.displayName = messages::library_name();
        info.dataTypeCount = static_cast<std::uint32_t>(types.size());
        info.dataTypes = types.data();
        info.commandCount = static_cast<std::uint32_t>(commands.size());
        info.commands = commands.data();
    }
};

}  // namespace

const rt::LibraryInfo* browser_library() {
    static const Library* library = new Library;
    return &library->info;
}

void get_cookie_command(rt::ArgRecord* result, int argc, rt::ArgRecord* args) {
    BrowserUnit* unit = control_of(argc, args);
    const std::string cookie = unit ? unit->control().cookie() : std::string();
    *result = rt::ArgRecord::of_pointer(cookie.empty() ? nullptr : rt::make_text(cookie), rt::kTypeText);
}

std::optional<std::int64_t> cookie_expiry(std::uint32_t window_id, std::uint32_t unit_id, const std::string& name) {
    BrowserUnit* unit = BrowserUnit::find(window_id, unit_id);
    return unit ? unit->control().cookie_expiry(name) : std::nullopt;
}

void clear_cookie_command(rt::ArgRecord*, int argc, rt::ArgRecord* args) {
    if (BrowserUnit* unit = control_of(argc, args))
        unit->control().clear_cookie();
}

}  // namespace quilbex::browser
