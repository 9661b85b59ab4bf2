#pragma once

#include <QString>
#include <stdexcept>

namespace rt {

// Error numbers the handlers and their users know from the run-time.
namespace err {
    inline constexpr int InvalidProcedureCall = 5;
    inline constexpr int Overflow = 6;
    inline constexpr int DivisionByZero = 11;
    inline constexpr int TypeMismatch = 13;
    inline constexpr int BadFileNameOrNumber = 52;
    inline constexpr int FileNotFound = 53;
    inline constexpr int BadFileMode = 54;
    inline constexpr int FileAlreadyOpen = 55;
    inline constexpr int DeviceIOError = 57;
    inline constexpr int DiskFull = 61;
    inline constexpr int BadRecordNumber = 63;
    inline constexpr int PermissionDenied = 70;
    inline constexpr int PathFileAccessError = 75;
    inline constexpr int CancelError = 32755;
} // namespace err

// A run-time error: a number and a description that can be shown to the user.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const QString& description);
    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }

private:
    int number_;
    QString description_;
};

// Description the run-time gives for a known error number.
QString describeError(int number);

// Raises the error with its standard description.
[[noreturn]] void raise(int number);

// Thrown out of every wait once the program is ending, so that no waiting loop
// resumes. Not a RuntimeError: no error mode swallows it; the handler boundary
// (runHandler) ends the handler quietly.
struct ProgramEnded { };

} // namespace rt
