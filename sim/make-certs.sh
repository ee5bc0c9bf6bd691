#!/bin/sh
# Makes the local services' certificate authority and server certificate in
# the given folder: ca.pem/ca.key and server.pem/server.key for 127.0.0.1 and
# localhost. Runs at build time; no key is ever kept in the repository.
set -eu
out=$1
mkdir -p "$out"
cd "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 3650 \
  -subj "/CN=Quilbex Local Test Authority" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$tmp/ca.key" -out "$tmp/ca.pem" 2>/dev/null
openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=127.0.0.1" \
  -keyout "$tmp/server.key" -out "$tmp/server.csr" 2>/dev/null
printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature,keyEncipherment" \
  "extendedKeyUsage=serverAuth" "subjectAltName=IP:127.0.0.1,DNS:localhost" > "$tmp/ext.cnf"
openssl x509 -req -in "$tmp/server.csr" -CA "$tmp/ca.pem" -CAkey "$tmp/ca.key" -CAcreateserial \
  -days 3650 -extfile "$tmp/ext.cnf" -out "$tmp/server.pem" 2>/dev/null
chmod 600 "$tmp/ca.key" "$tmp/server.key"
mv "$tmp/ca.key" "$tmp/ca.pem" "$tmp/server.key" "$tmp/server.pem" .
