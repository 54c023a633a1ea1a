// Expansion of numbered placeholders.
#include "app/app_format.h"

#include <locale>
#include <sstream>

void FormatToStream(std::ostream& out, const char* format, const FormatObject* a1,
                    const FormatObject* a2, const FormatObject* a3) {
    if (format == nullptr) {
        out << "<NULL FORMAT>";
        return;
    }
    const FormatObject* slots[10] = {nullptr, a1, a2, a3};
    for (const char* p = format; *p != 0; ++p) {
        if (*p != '%') {
            out << *p;
            continue;
        }
        char next = p[1];
        if (next == 0) {  // a "%" that ends the text stands for itself
            out << '%';
            break;
        }
        ++p;
        if (next >= '0' && next <= '9') {
            const FormatObject* arg = slots[next - '0'];
            if (arg != nullptr)
                arg->Write(out);
            else
                out << "<MISSING PARAM>";
        } else if (next == '%') {
            out << '%';
        } else {
            out << "<INVALID PARAM>";
        }
    }
}

std::string FormatString(const char* format, const FormatObject* a1, const FormatObject* a2,
                         const FormatObject* a3) {
    std::ostringstream out;
    // Numbers go out as plain digits whatever the global locale says.
    out.imbue(std::locale::classic());
    FormatToStream(out, format, a1, a2, a3);
    return out.str();
}

std::string FormatWithUnsigned(const char* format, unsigned int p1) {
    TFormatObject<unsigned int> o1(&p1);
    return FormatString(format, &o1, nullptr, nullptr);
}

std::string FormatWithTwoUnsigned(const char* format, unsigned int p1, unsigned int p2) {
    TFormatObject<unsigned int> o1(&p1), o2(&p2);
    return FormatString(format, &o1, &o2, nullptr);
}

std::string FormatWithThreeUnsigned(const char* format, unsigned int p1, unsigned int p2,
                                    unsigned int p3) {
    TFormatObject<unsigned int> o1(&p1), o2(&p2), o3(&p3);
    return FormatString(format, &o1, &o2, &o3);
}
