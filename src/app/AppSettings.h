#pragma once

#include <QString>

namespace fw::app {

/// The one persistent setting, the output resolution in dots per inch, kept in an INI file
/// (section "Options", value "Resolution"). The default file lies in the user's XDG config
/// folder under the program's key, "Orbek/Framewell/7.6.ini".
class AppSettings {
public:
    static constexpr int kDefaultResolution = 100;

    /// Settings in the given INI file (created when first written).
    explicit AppSettings(QString iniPath);

    /// The INI file under the user's config folder.
    static QString defaultPath();

    /// The stored resolution; 100 when the value is missing or does not hold a decimal integer.
    int readResolution() const;
    /// Writes the resolution; returns false when the file cannot be written.
    bool writeResolution(int dpi) const;

    const QString& path() const { return path_; }

private:
    QString path_;
};

/// Delphi-style text to integer: the whole text (blanks around it allowed) must be a decimal
/// integer within 32 bits, otherwise `fallback`.
int parseIntOr(const QString& text, int fallback);

} // namespace fw::app
