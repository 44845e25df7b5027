#pragma once

#include <QtGlobal>

// The 32-bit statuses returned by operations that change stored data or load requests.
// 0 is success; the others follow the numbering the users of these files know.
namespace ErrorCode {
inline constexpr qint32 Ok = 0;
inline constexpr qint32 InvalidArgument
    = 5; // an argument outside its range (e.g. an absent anchor)
inline constexpr qint32 TypeMismatch = 13; // a text that does not convert to the wanted type
inline constexpr qint32 FileNotFound = 53;
inline constexpr qint32 PermissionDenied = 70;
inline constexpr qint32 FileAccess = 75; // any other failure to open, read or write a file
inline constexpr qint32 MissingNode = 91; // a node the operation needs is not in the document
inline constexpr qint32 Own = 1234; // the program's own errors, with their own description
inline constexpr qint32 MarkerNotFound = -1234; // ExtractBetween: a marker is absent
} // namespace ErrorCode
