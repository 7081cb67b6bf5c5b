#pragma once

#include <bitset>
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

    bool empty() const { return given_.none(); }
    // Overrides the values of `options` that were given here.
    void applyTo(Options& options) const;

private:
    void give(int value) { given_.set(static_cast<std::size_t>(value)); }

    Options values_;
    std::bitset<17> given_; // by the options file's value number, 1..16
    bool threshold_ = false, cutoff_ = false;
};
