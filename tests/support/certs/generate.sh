#!/bin/sh
# Regenerates the certificates of the loopback test server. They are committed so the
# tests need no tool at build or run time. Validity runs from 2000 to 2100 so a machine
# clock that is off by years still accepts them; the expired one ended in 2001.
# Run from this folder: sh generate.sh
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
valid="-startdate 20000101000000Z -enddate 21000101000000Z"

# openssl ca is the only command that takes explicit dates, so every certificate is
# issued through a throw-away CA database.
mkdir "$work/db"
: > "$work/db/index.txt"
echo 01 > "$work/db/serial"
cat > "$work/ca.cnf" <<CNF
[ca]
default_ca = test
[test]
database = $work/db/index.txt
serial = $work/db/serial
new_certs_dir = $work/db
default_md = sha256
policy = anything
copy_extensions = none
unique_subject = no
[anything]
organizationName = optional
commonName = supplied
[ca_ext]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[server_ext]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost
CNF
issue() { # issue NAME SUBJECT EXTENSIONS self|ca [DATES]
    openssl req -new -newkey rsa:2048 -nodes -subj "$2" -keyout "$1.key" -out "$work/$1.csr" 2>/dev/null
    dates=${5:-$valid}
    if [ "${4:-}" = self ]; then
        openssl ca -batch -config "$work/ca.cnf" -selfsign -keyfile "$1.key" \
            $dates -extensions "$3" -in "$work/$1.csr" -out "$1.pem" -notext 2>/dev/null
    else
        openssl ca -batch -config "$work/ca.cnf" -cert ca.pem -keyfile ca.key \
            $dates -extensions "$3" -in "$work/$1.csr" -out "$1.pem" -notext 2>/dev/null
    fi
}

# Test CA, trusted only by tests that ask for it.
issue ca "/O=Pelorin Tests/CN=Pelorin Test CA" ca_ext self
# "localhost" only, so connecting to "127.0.0.1" is a name mismatch.
issue server "/O=Pelorin Tests/CN=localhost" server_ext ca
# Self-signed "localhost" that no one trusts.
issue selfsigned "/O=Pelorin Tests/CN=localhost" server_ext self
# "localhost" from the test CA, long expired.
issue expired "/O=Pelorin Tests/CN=localhost" server_ext ca \
    "-startdate 20000101000000Z -enddate 20010101000000Z"
