#pragma once

#include "editing/CurlCommand.h"
#include "shell/Result.h"
#include "transport/ClientIdentity.h"

class XmlDocument;

// Reads each target's TLS choice from the user data ("userdata/clientcertificates/target"),
// replacing those tls held; entries without a name or any file are skipped.
void LoadClientTlsTargets(const XmlDocument& userData, ClientTls& tls);
// Writes every target's choice of tls to the user data, replacing the section: file names and
// types only, never a key or a passphrase.
void StoreClientTlsTargets(XmlDocument& userData, const ClientTls& tls);

// A target's choice as curl's options name it (never with a passphrase).
CurlTlsFiles CurlTlsOf(const TargetTls& choice);
// A curl command's options as a target's choice, without the passphrase; fails on a
// --cert-type other than PEM or P12.
Result TargetTlsOf(const CurlTlsFiles& files, TargetTls& choice);
