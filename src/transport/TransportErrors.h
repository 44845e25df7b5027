#pragma once

#include <QString>

// The transport's error vocabulary: the Windows-sockets codes a SocketX reports and the
// CertError values of a server certificate, with the texts the log shows for them.

namespace SocketError {
inline constexpr quint16 NoError = 0;
inline constexpr quint16 Interrupted = 10004;
inline constexpr quint16 BadFormat = 10009;
inline constexpr quint16 Access = 10013;
inline constexpr quint16 Fault = 10014;
inline constexpr quint16 Invalid = 10022;
inline constexpr quint16 TooManyFiles = 10024;
inline constexpr quint16 HostNotFound = 10025;
inline constexpr quint16 WouldBlock = 10035;
inline constexpr quint16 NotSocket = 10038;
inline constexpr quint16 MessageSize = 10040;
inline constexpr quint16 AddressInUse = 10048;
inline constexpr quint16 AddressNotAvailable = 10049;
inline constexpr quint16 NetworkDown = 10050;
inline constexpr quint16 NetworkUnreachable = 10051;
inline constexpr quint16 NetworkReset = 10052;
inline constexpr quint16 Aborted = 10053;
inline constexpr quint16 Reset = 10054;
inline constexpr quint16 NotConnected = 10057;
inline constexpr quint16 Shutdown = 10058;
inline constexpr quint16 TimedOut = 10060;
inline constexpr quint16 Refused = 10061;
inline constexpr quint16 NameTooLong = 10063;
inline constexpr quint16 HostDown = 10064;
inline constexpr quint16 HostUnreachable = 10065;
inline constexpr quint16 SystemNotReady = 10091;
inline constexpr quint16 VersionNotSupported = 10092;
inline constexpr quint16 NotInitialised = 10093;
inline constexpr quint16 Disconnected = 10101;
} // namespace SocketError

namespace CertError {
inline constexpr qint32 NoError = 0;
inline constexpr qint32 NotRead = 1;
inline constexpr qint32 Expired = 2;
inline constexpr qint32 ValidityPeriodNesting = 3;
inline constexpr qint32 Role = 4;
inline constexpr qint32 PathLenConst = 5;
inline constexpr qint32 Critical = 6;
inline constexpr qint32 Purpose = 7;
inline constexpr qint32 IssuerChaining = 8;
inline constexpr qint32 Malformed = 9;
inline constexpr qint32 UntrustedRoot = 10;
inline constexpr qint32 Chaining = 11;
inline constexpr qint32 TrustFail = 12;
inline constexpr qint32 Revoked = 13;
inline constexpr qint32 UntrustedTestRoot = 14;
inline constexpr qint32 RevocationFailure = 15;
inline constexpr qint32 CNNoMatch = 16;
inline constexpr qint32 WrongUsage = 17;
inline constexpr qint32 UnknownError = 18;
} // namespace CertError

// The text of a Windows-sockets error code; empty for codes not in the table.
QString SocketErrorText(int code);

// The name of a CertError value ("UntrustedRoot"); empty for values outside 1..18.
QString CertErrorName(int value);
