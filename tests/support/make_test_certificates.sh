#!/usr/bin/env bash
# Makes, in the folder given, a certificate authority for one test run and the server
# certificates the https tests use (openssl CLI):
#   ca.pem          the test authority, to be trusted through SSL_CERT_FILE
#   good.pem/.key   for 127.0.0.1 and localhost, from the test authority
#   untrusted.*     for 127.0.0.1 and localhost, from an authority nobody trusts
#   othername.*     for other.example only, from the test authority
#   expired.*       for 127.0.0.1 and localhost, from the test authority, expired in 2020
set -euo pipefail
cd "$1"

authority() { # name
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 3 \
    -keyout "$1.key" -out "$1.pem" -subj "/CN=Bloomzap test authority $1" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
    2>/dev/null
}

request() { # name
  openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes \
    -keyout "$1.key" -out "$1.csr" -subj "/CN=$1" 2>/dev/null
}

leaf() { # name authority subject-alt-names
  request "$1"
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$3" \
    >"$1.ext"
  openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" -CAcreateserial -days 3 \
    -extfile "$1.ext" -out "$1.pem" 2>/dev/null
}

authority ca
authority rogue
leaf good ca "IP:127.0.0.1,DNS:localhost"
leaf untrusted rogue "IP:127.0.0.1,DNS:localhost"
leaf othername ca "DNS:other.example"

# "openssl x509" cannot date a certificate in the past; "openssl ca" can.
mkdir -p expired.d
: >expired.d/index.txt
echo 01 >expired.d/serial
cat >expired.cnf <<CONF
[ca]
default_ca = test
[test]
database = expired.d/index.txt
new_certs_dir = expired.d
serial = expired.d/serial
certificate = ca.pem
private_key = ca.key
default_md = sha256
policy = anything
unique_subject = no
[anything]
commonName = supplied
[leaf]
subjectAltName = IP:127.0.0.1,DNS:localhost
basicConstraints = CA:FALSE
extendedKeyUsage = serverAuth
CONF
request expired
openssl ca -batch -config expired.cnf -extensions leaf -notext \
  -startdate 20200101000000Z -enddate 20200201000000Z \
  -in expired.csr -out expired.pem 2>/dev/null
