// A uuencoded carrier of the worm, built the way GNU uuencode writes one, for the tests of the
// uuencoded check (natively and under Wine).
#pragma once
#include <string.h>

#include <algorithm>
#include <string>

// What the worm carries: its autorun value name, file name, autorun key and uninstaller.
inline std::string WormBody() {
    static const char kBody[] =
        "SMrhcjg7j0e38v\0rhcjg7j0e38v.exe\0Software\\Microsoft\\Windows\\CurrentVersion\\Run\0uninstall.exe";
    return std::string(kBody, sizeof kBody);   // with the last zero byte
}

// Backquote for zero, one length character per line of up to 45 bytes.
inline std::string Uuencode(const std::string& data) {
    auto encode = [](int sixBits) { return (char)(sixBits == 0 ? '`' : sixBits + 32); };
    std::string text;
    for (size_t line = 0; line < data.size(); line += 45) {
        size_t length = std::min<size_t>(45, data.size() - line);
        text += encode((int)length);
        for (size_t i = 0; i < length; i += 3) {
            unsigned char b[3] = {};
            for (size_t k = 0; k < 3 && i + k < length; k++) b[k] = (unsigned char)data[line + i + k];
            text += encode(b[0] >> 2);
            text += encode(((b[0] & 3) << 4) | (b[1] >> 4));
            text += encode(((b[1] & 15) << 2) | (b[2] >> 6));
            text += encode(b[2] & 63);
        }
        text += "\n";
    }
    return text;
}

inline std::string WormText() { return Uuencode(WormBody()); }

inline std::string Stripped(const std::string& text) {
    std::string out;
    for (char c : text)
        if (!strchr("\t\n\v\f\r ", c)) out += c;
    return out;
}

// A whole carrier file: header line, the worm's text, the closing lines.
inline std::string WormCarrier(const std::string& before = "") {
    return "begin 644 rhcjg7j0e38v.exe\n" + before + WormText() + "`\nend\n";
}
