#pragma once

/// The user's choice to look apps up at the App Store: off until turned on, and remembered across
/// launches in the application's settings.
class AppStoreSetting
{
public:
    AppStoreSetting() = delete;

    static bool enabled();
    static void setEnabled(bool enabled);
};
