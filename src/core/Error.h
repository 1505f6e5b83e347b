#pragma once

#include <stdexcept>
#include <string>

namespace nightaudit {

// Error numbers. The runtime-style numbers are the ones the people who write the
// stored steps already know from their reports; the 1000s are this program's own.
namespace err {
inline constexpr int InvalidArgument = 5;
inline constexpr int Overflow = 6;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int FileNotFound = 53;
inline constexpr int InputPastEnd = 62;
inline constexpr int PathFileAccess = 75;
inline constexpr int WindowNotFound = 1001;
inline constexpr int WrongFocus = 1002;
inline constexpr int KeySyntax = 1003;
inline constexpr int LaunchFailed = 1004;
inline constexpr int DisplayLost = 1005;
inline constexpr int KeyboardBusy = 1006;
inline constexpr int NoSuchNode = 1007;
inline constexpr int NoSuchControl = 1008;
inline constexpr int NestingTooDeep = 1009;
inline constexpr int NotAvailable = 1010;
inline constexpr int PrintFailed = 1011;
inline constexpr int Stopped = 1012;
inline constexpr int Unconfirmed = 1013;  // a target did not say it read its keys
inline constexpr int Store = 2000;        // engine code added: 2000 + SQLite result code
}  // namespace err

// Every failure of the system: a number and a description fit to show the clerk.
class Error : public std::runtime_error {
public:
    Error(int number, const std::string& description)
        : std::runtime_error(description), m_number(number) {}

    int number() const noexcept { return m_number; }
    std::string description() const { return what(); }

private:
    int m_number;
};

}  // namespace nightaudit
