#pragma once

class ClientTls;
class XmlDocument;

// Reads each target's TLS choice from the user data ("userdata/clientcertificates/target"),
// replacing those tls held; entries without a name or any file are skipped.
void LoadClientTlsTargets(const XmlDocument& userData, ClientTls& tls);
// Writes every target's choice of tls to the user data, replacing the section: file names and
// types only, never a key or a passphrase.
void StoreClientTlsTargets(XmlDocument& userData, const ClientTls& tls);
