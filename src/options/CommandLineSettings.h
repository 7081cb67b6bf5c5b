#pragma once

#include <functional>
#include <string>
#include <vector>

#include "options/Options.h"

// A setting of the options file given as a named option: its name, the
// value it takes (empty for a switch), the options file values it sets and
// what the help says of it.
struct SettingOption {
    const char* name;
    const char* value;
    const char* values; // of the options file, as the help lists them
    const char* help;
};

// The named settings, in the order of the options file.
const std::vector<SettingOption>& settingOptions();

// The settings named on the command line. Each is checked as it is read, a
// value out of range or not a number being an error naming the option; one
// given overrides the options file's value.
class CommandLineSettings {
public:
    // Whether `name` (without any "=value") is a named setting, and whether it takes a value.
    static bool names(const std::string& name);
    static bool takesValue(const std::string& name);
    // Stores the setting `name` with `value` (empty for a switch).
    void set(const std::string& name, const std::string& value);

    bool empty() const { return changes_.empty(); }
    // Overrides the values of `options` that were given here, in the order given.
    void applyTo(Options& options) const;

private:
    std::vector<std::function<void(Options&)>> changes_;
    bool threshold_ = false, cutoff_ = false;
};
