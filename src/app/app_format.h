// Texts with numbered placeholders: "Completed %1 of 10 Planets", "/Game/%1/HighScore%2".
//
// "%1" to "%3" take the call's three arguments; "%%" is one "%". A fault in a
// template never fails the call: it shows in the text as "<MISSING PARAM>" (also for a
// text argument that is a null pointer), "<INVALID PARAM>" or "<NULL FORMAT>" where it
// happened.
#pragma once

#include <ostream>
#include <string>
#include <type_traits>

// One argument of a formatting call.
class FormatObject {
public:
    virtual void Write(std::ostream& out) const = 0;

protected:
    ~FormatObject() = default;
};

// An argument that points at the caller's variable; lives for one call.
template <typename T>
class TFormatObject : public FormatObject {
public:
    explicit TFormatObject(const T* value) : m_value(value) {}
    void Write(std::ostream& out) const override {
        // A text that points nowhere has nothing to write, and the stream's insertion
        // must never be given one (the library fails the stream, which drops the rest of
        // the text and everything written to that stream after it).
        if constexpr (std::is_same_v<T, const char*> || std::is_same_v<T, char*>) {
            if (*m_value == nullptr) {
                out << "<MISSING PARAM>";
                return;
            }
        }
        out << *m_value;
    }

private:
    const T* m_value;
};

// Writes the expansion of format to out. Any argument may be null.
void FormatToStream(std::ostream& out, const char* format, const FormatObject* a1,
                    const FormatObject* a2, const FormatObject* a3);

std::string FormatString(const char* format, const FormatObject* a1, const FormatObject* a2,
                         const FormatObject* a3);

std::string FormatWithUnsigned(const char* format, unsigned int p1);
std::string FormatWithTwoUnsigned(const char* format, unsigned int p1, unsigned int p2);
std::string FormatWithThreeUnsigned(const char* format, unsigned int p1, unsigned int p2,
                                    unsigned int p3);
