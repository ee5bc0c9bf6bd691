#!/bin/sh
# Makes the local services' certificate authority and server certificate in
# the given folder: ca.pem and server.pem/server.key for 127.0.0.1 and
# localhost. Beside them, three that a client must refuse, each with its key,
# for tests of the connection check: expired.pem (by the same authority, for
# 127.0.0.1, expired yesterday), other-name.pem (by the same authority, for
# localhost only) and untrusted.pem (self-signed, for 127.0.0.1). The authority is limited by name constraints to 127.0.0.0/8 and
# localhost, and its private key is thrown away once the server certificate is
# signed. Runs at build time; no key is ever kept in the repository, and the
# folder is not the program's folder (only ca.pem is copied there).
set -eu
out=$1
mkdir -p "$out"
cd "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 3650 \
  -subj "/CN=Quilbex Local Test Authority" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -addext "nameConstraints=critical,permitted;IP:127.0.0.0/255.0.0.0,permitted;DNS:localhost" \
  -keyout "$tmp/ca.key" -out "$tmp/ca.pem" 2>/dev/null
openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=127.0.0.1" \
  -keyout "$tmp/server.key" -out "$tmp/server.csr" 2>/dev/null
printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature,keyEncipherment" \
  "extendedKeyUsage=serverAuth" "subjectAltName=IP:127.0.0.1,DNS:localhost" > "$tmp/ext.cnf"
openssl x509 -req -in "$tmp/server.csr" -CA "$tmp/ca.pem" -CAkey "$tmp/ca.key" -CAcreateserial \
  -days 3650 -extfile "$tmp/ext.cnf" -out "$tmp/server.pem" 2>/dev/null
# sign NAME SUBJECT_ALT_NAME DAYS: a server certificate by the authority.
sign() {
  openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=$1" \
    -keyout "$tmp/$1.key" -out "$tmp/$1.csr" 2>/dev/null
  printf '%s\n' "basicConstraints=CA:FALSE" "extendedKeyUsage=serverAuth" "subjectAltName=$2" > "$tmp/$1.cnf"
  openssl x509 -req -in "$tmp/$1.csr" -CA "$tmp/ca.pem" -CAkey "$tmp/ca.key" -CAcreateserial \
    -days "$3" -extfile "$tmp/$1.cnf" -out "$tmp/$1.pem" 2>/dev/null
}
sign expired IP:127.0.0.1 -1
sign other-name DNS:localhost 3650
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 3650 -subj "/CN=127.0.0.1" \
  -addext "subjectAltName=IP:127.0.0.1" -keyout "$tmp/untrusted.key" -out "$tmp/untrusted.pem" 2>/dev/null
chmod 600 "$tmp/server.key" "$tmp/expired.key" "$tmp/other-name.key" "$tmp/untrusted.key"
rm -f ca.key
mv "$tmp/ca.pem" "$tmp/server.key" "$tmp/server.pem" .
mv "$tmp/expired.pem" "$tmp/expired.key" "$tmp/other-name.pem" "$tmp/other-name.key" "$tmp/untrusted.pem" \
  "$tmp/untrusted.key" .
