#include "platform/runtime/RuntimeError.h"

namespace rt {

RuntimeError::RuntimeError(int number, const QString& description)
    : std::runtime_error(description.toStdString())
    , number_(number)
    , description_(description)
{
}

QString describeError(int number)
{
    switch (number) {
    case err::InvalidProcedureCall:
        return QStringLiteral("Invalid procedure call or argument");
    case err::Overflow:
        return QStringLiteral("Overflow");
    case err::DivisionByZero:
        return QStringLiteral("Division by zero");
    case err::TypeMismatch:
        return QStringLiteral("Type mismatch");
    case err::BadFileNameOrNumber:
        return QStringLiteral("Bad file name or number");
    case err::FileNotFound:
        return QStringLiteral("File not found");
    case err::BadFileMode:
        return QStringLiteral("Bad file mode");
    case err::FileAlreadyOpen:
        return QStringLiteral("File already open");
    case err::DeviceIOError:
        return QStringLiteral("Device I/O error");
    case err::DiskFull:
        return QStringLiteral("Disk full");
    case err::BadRecordNumber:
        return QStringLiteral("Bad record number");
    case err::PermissionDenied:
        return QStringLiteral("Permission denied");
    case err::PathFileAccessError:
        return QStringLiteral("Path/File access error");
    case err::CancelError:
        return QStringLiteral("Cancel was selected.");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

void raise(int number)
{
    throw RuntimeError(number, describeError(number));
}

} // namespace rt
