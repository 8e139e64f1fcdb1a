#!/usr/bin/env bash
# A real directory for the lookup tests: OpenLDAP slapd on 127.0.0.1 at a free port, with data
# made here (certificates from openssl), plus a second slapd that is stopped with SIGSTOP (it
# accepts connections and never answers) and a port where nothing listens.
#
#   slapd-fixture.sh start DIR   builds DIR afresh, starts both servers, writes DIR/fixture.ini
#   slapd-fixture.sh stop DIR    stops the servers started from DIR (by their pid files)
#
# Only loopback is used: both servers listen on ldap://127.0.0.1:PORT/ and nothing else.
set -euo pipefail

action=${1:?start or stop}
dir=${2:?working folder}
schema=/etc/ldap/schema
suffix="dc=zoz,dc=test"
people="ou=people,$suffix"
bulk="ou=bulk,$suffix"
people_password="people-secret"
bulk_password="bulk-secret"
bulk_entries=4
bulk_per_entry=40

stop_one() {
  local pidfile=$1 conf=$2 pid
  [ -s "$pidfile" ] || return 0
  pid=$(cat "$pidfile")
  # Only a slapd started from this folder's configuration.
  if [ -r "/proc/$pid/cmdline" ] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF -- "$conf"; then
    kill -CONT "$pid" 2>/dev/null || true
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 50); do [ -e "/proc/$pid" ] || break; sleep 0.1; done
    [ -e "/proc/$pid" ] && kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -f "$pidfile"
}

stop_all() {
  stop_one "$dir/main/slapd.pid" "$dir/main/slapd.conf"
  stop_one "$dir/frozen/slapd.pid" "$dir/frozen/slapd.conf"
}

if [ "$action" = stop ]; then
  stop_all
  exit 0
fi
[ "$action" = start ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

# A port nobody listens on now.
free_port() {
  local port
  for _ in $(seq 200); do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

stop_all
rm -rf "$dir"
mkdir -p "$dir/certs" "$dir/main/db" "$dir/frozen/db"

# --- certificates -------------------------------------------------------------------------
openssl genrsa -out "$dir/certs/key.pem" 1024 2>/dev/null
# cert NAME SUBJECT SERIAL KEYUSAGE
cert() {
  openssl req -x509 -key "$dir/certs/key.pem" -subj "$2" -set_serial "$3" -days 3650 \
    -addext "keyUsage=critical,$4" -outform DER -out "$dir/certs/$1.der" 2>/dev/null
}
cert alice   "/O=ZoZ Test/CN=Alice Encipher"  0x00A11CE0 keyEncipherment,digitalSignature
cert bob     "/O=ZoZ Test/CN=Bob Data"        0x0B0B     dataEncipherment
cert carol   "/O=ZoZ Test/CN=Carol Signer"    0x0CA201   digitalSignature,nonRepudiation
cert shared  "/O=ZoZ Test/CN=Shared Mailbox"  0x5A5A5A   keyEncipherment
cert twin-a  "/O=Issuer A/CN=Twin One"        0x7777     keyEncipherment
cert twin-b  "/O=Issuer B/CN=Twin Two"        0x7777     keyEncipherment
cert multi-1 "/O=ZoZ Test/CN=Multi First"     0x0E01     keyEncipherment
cert multi-2 "/O=ZoZ Test/CN=Multi Second"    0x0E02     keyEncipherment
cert nomail  "/O=ZoZ Test/CN=No Mail"         0x0F0F     keyEncipherment
# Not a certificate: bytes of no structure at all.
printf 'this is not a certificate, only text in the userCertificate attribute' >"$dir/certs/junk.der"
n=1
for e in $(seq $bulk_entries); do
  for v in $(seq $bulk_per_entry); do
    cert "$(printf 'bulk-%03d' $n)" "/O=ZoZ Bulk/CN=Bulk $n" "$n" keyEncipherment
    n=$((n + 1))
  done
done

value() { echo "userCertificate;binary:: $(base64 -w0 "$dir/certs/$1.der")"; }
person() {  # person UID MAIL CERT...
  local uid=$1 mail=$2
  shift 2
  echo "dn: uid=$uid,$people"
  echo "objectClass: inetOrgPerson"
  echo "uid: $uid"
  echo "cn: $uid"
  echo "sn: $uid"
  [ -n "$mail" ] && echo "mail: $mail"
  for c in "$@"; do value "$c"; done
  echo
}

{
  printf 'dn: %s\nobjectClass: dcObject\nobjectClass: organization\no: zoz\ndc: zoz\n\n' "$suffix"
  printf 'dn: %s\nobjectClass: organizationalUnit\nou: people\nuserPassword: %s\n\n' "$people" "$people_password"
  person alice  alice@zoz.test  alice
  person bob    bob@zoz.test    bob
  person carol  carol@zoz.test  carol
  person dave   shared@zoz.test shared
  person erin   shared@zoz.test shared
  person twin1  twin@zoz.test   twin-a
  person twin2  twin@zoz.test   twin-b
  person junk   junk@zoz.test   junk
  person multi  multi@zoz.test  multi-1 multi-2
  person nocert nocert@zoz.test
  person nomail ""              nomail
  printf 'dn: %s\nobjectClass: organizationalUnit\nou: bulk\nuserPassword: %s\n\n' "$bulk" "$bulk_password"
  n=1
  for e in $(seq $bulk_entries); do
    echo "dn: uid=bulk$e,$bulk"
    printf 'objectClass: inetOrgPerson\nuid: bulk%s\ncn: bulk%s\nsn: bulk\nmail: bulk@zoz.test\n' "$e" "$e"
    for v in $(seq $bulk_per_entry); do value "$(printf 'bulk-%03d' $n)"; n=$((n + 1)); done
    echo
  done
} >"$dir/data.ldif"

# --- servers --------------------------------------------------------------------------------
config() {  # config FOLDER
  cat >"$1/slapd.conf" <<EOF
include $schema/core.schema
include $schema/cosine.schema
include $schema/inetorgperson.schema
pidfile $1/slapd.pid
modulepath /usr/lib/ldap
moduleload back_mdb
database mdb
maxsize 33554432
suffix "$suffix"
directory $1/db
access to attrs=userPassword by anonymous auth by * none
access to * by * read
EOF
}
config "$dir/main"
config "$dir/frozen"
# The main server counts its open connections, so a test can see that a session was closed.
printf 'database monitor\naccess to * by * read\n' >>"$dir/main/slapd.conf"
slapadd -q -f "$dir/main/slapd.conf" -l "$dir/data.ldif"

# start FOLDER: starts slapd on a free loopback port and prints the port.
start_server() {
  local folder=$1 port
  for _ in $(seq 5); do
    port=$(free_port)
    if slapd -f "$folder/slapd.conf" -h "ldap://127.0.0.1:$port/" 2>"$folder/slapd.log"; then
      for _ in $(seq 100); do
        if ldapsearch -x -LLL -H "ldap://127.0.0.1:$port/" -b "" -s base "(objectClass=*)" 1.1 \
             >/dev/null 2>&1; then
          echo "$port"
          return 0
        fi
        sleep 0.1
      done
      stop_one "$folder/slapd.pid" "$folder/slapd.conf"
    fi
  done
  echo "slapd did not start from $folder:" >&2
  cat "$folder/slapd.log" >&2
  return 1
}

trap 'stop_all' ERR
port=$(start_server "$dir/main")
frozen_port=$(start_server "$dir/frozen")
kill -STOP "$(cat "$dir/frozen/slapd.pid")"
dead_port=$(free_port)
trap - ERR

# The order in which the server delivers the values of a query: DIR/NAME.order, one base64 value
# a line. (The directory's order is its own; the tests hold the client to it.)
record_order() {  # record_order NAME DN PASSWORD FILTER
  ldapsearch -x -LLL -o ldif-wrap=no -H "ldap://127.0.0.1:$port/" -D "$2" -w "$3" -b "$2" "$4" \
      userCertificate | sed -n 's/^userCertificate;binary:: //p' >"$dir/$1.order"
}
record_order people "$people" "$people_password" "(mail=*)"
record_order bulk "$bulk" "$bulk_password" "(mail=bulk@zoz.test)"

# Windows path of the folder, for the tests that run under Wine (drive Z: is the root).
winpath() { echo "Z:${1//\//\\}"; }
cat >"$dir/fixture.ini" <<EOF
[ldap]
host=127.0.0.1
port=$port
frozenPort=$frozen_port
deadPort=$dead_port
peopleDn=$people
peoplePassword=$people_password
bulkDn=$bulk
bulkPassword=$bulk_password
bulkCount=$((bulk_entries * bulk_per_entry))
certs=$(winpath "$dir/certs")
orders=$(winpath "$dir")
EOF
echo "slapd on 127.0.0.1:$port, frozen slapd on 127.0.0.1:$frozen_port, nothing on $dead_port"
