#!/bin/sh
# Makes the local services' certificate authority and server certificate in
# the given folder: ca.pem and server.pem/server.key for 127.0.0.1 and
# localhost. The authority is limited by name constraints to 127.0.0.0/8 and
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
chmod 600 "$tmp/server.key"
rm -f ca.key
mv "$tmp/ca.pem" "$tmp/server.key" "$tmp/server.pem" .
