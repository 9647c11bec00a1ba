#pragma once

/// The typefaces bundled with the window: Nunito for the rounded display type everywhere, and
/// Inter as the interface font where the platform's own (San Francisco) is not available.
class ApplicationFonts
{
public:
    ApplicationFonts() = delete;

    /// Registers the bundled fonts and, outside macOS, makes Inter the application font.
    static void install();
};
