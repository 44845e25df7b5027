#include "transport/TransportErrors.h"

#include <QStringList>

using namespace Qt::StringLiterals;

QString SocketErrorText(int code)
{
    switch (code) {
    case SocketError::NoError:
        return u"No error."_s;
    case SocketError::Interrupted:
        return u"System level interrupt interrupted socket operation."_s;
    case SocketError::BadFormat:
        return u"Generic error for invalid format, bad format."_s;
    case SocketError::Access:
        return u"Generic error for access violation."_s;
    case SocketError::Fault:
        return u"Generic error for fault."_s;
    case SocketError::Invalid:
        return u"Generic error for invalid format, entry, etc."_s;
    case SocketError::TooManyFiles:
        return u"Generic error for file error."_s;
    case SocketError::HostNotFound:
        return u"The IP address provided is not valid or the host specified by the IP does not exist."_s;
    case SocketError::NotSocket:
        return u"Invalid socket or not connected to remote."_s;
    case SocketError::AddressInUse:
        return u"The specified address is already in use."_s;
    case SocketError::AddressNotAvailable:
        return u"The specified address is not available."_s;
    case SocketError::NetworkDown:
        return u"The connected network is not available."_s;
    case SocketError::NetworkUnreachable:
        return u"The connected network is not reachable."_s;
    case SocketError::NetworkReset:
        return u"The connected network connection has been reset."_s;
    case SocketError::Aborted:
        return u"The current connection has been aborted by the network or intermediate services."_s;
    case SocketError::Reset:
        return u"The current socket connection has been reset."_s;
    case SocketError::NotConnected:
        return u"The current socket has not been connected."_s;
    case SocketError::Shutdown:
        return u"The connection has been shutdown."_s;
    case SocketError::TimedOut:
        return u"The current connection has timed out."_s;
    case SocketError::Refused:
        return u"The requested connection has been refused by the remote host."_s;
    case SocketError::NameTooLong:
        return u"Specified host name is too long."_s;
    case SocketError::HostDown:
        return u"Remote host is currently unavailable."_s;
    case SocketError::HostUnreachable:
        return u"Remote host is currently unreachable."_s;
    case SocketError::SystemNotReady:
        return u"Remote system is not ready."_s;
    case SocketError::VersionNotSupported:
        return u"Current socket version not supported by application."_s;
    case SocketError::NotInitialised:
        return u"Socket API is not initialized."_s;
    case SocketError::Disconnected:
        return u"Socket has been disconnected."_s;
    default:
        return {};
    }
}

QString CertErrorName(int value)
{
    static const QStringList names {
        u"NotRead"_s,       u"Expired"_s,           u"ValidityPeriodNesting"_s,
        u"Role"_s,          u"PathLenConst"_s,      u"Critical"_s,
        u"Purpose"_s,       u"IssuerChaining"_s,    u"Malformed"_s,
        u"UntrustedRoot"_s, u"Chaining"_s,          u"TrustFail"_s,
        u"Revoked"_s,       u"UntrustedTestRoot"_s, u"RevocationFailure"_s,
        u"CNNoMatch"_s,     u"WrongUsage"_s,        u"UnknownError"_s
    };
    return value >= 1 && value <= names.size() ? names.at(value - 1) : QString();
}
