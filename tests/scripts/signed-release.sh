#!/usr/bin/env bash
# The release signed with a throw-away certificate authority and
# code-signing certificate, made here with openssl in a temporary folder:
# the release's .fxt (in the zip) and MSI verify against the authority; a
# DLL changed by one byte after signing, and an unsigned one, do not; the
# same DLL signed again is the same bytes; an expired certificate, one not
# for code signing, a wrong password and a missing file are each refused
# with one line, before any release folder is written.
#
#   tests/scripts/signed-release.sh DIST     ends with "release: N passed, N failed"
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
[ $# -eq 1 ] || { echo "usage: tests/scripts/signed-release.sh DIST" >&2; exit 2; }
dist=$1
passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok: $1"; }
bad() { failed=$((failed + 1)); echo "FAIL: $1"; }
summary() { echo "release: $passed passed, $failed failed"; [ "$failed" -eq 0 ]; exit; }
work=$(mktemp -d "${TMPDIR:-/tmp}/signed-release.XXXXXX") || { bad "no temporary folder"; summary; }
trap 'rm -rf "$work"' EXIT
export QV_SIGN_PASSWORD="throw away"

# The authority, and certificates it issues: CSR name, then openssl ca's
# extra options.
certificates() {
  cd "$work" || return 1
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj "/CN=QV Throw-away CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null || return 1
  mkdir -p issued && : >index.txt && echo 01 >serial
  cat >ca.cnf <<EOF
[ca]
default_ca = throwaway
[throwaway]
dir = $work
database = $work/index.txt
new_certs_dir = $work/issued
serial = $work/serial
default_md = sha256
default_days = 30
policy = anything
unique_subject = no
[anything]
commonName = supplied
[codesign]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
[server]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
EOF
  local name extensions
  for name in signer other expired server; do
    extensions=codesign
    [ "$name" = server ] && extensions=server
    local dates=()
    [ "$name" = expired ] && dates=(-startdate 20200101000000Z -enddate 20200201000000Z)
    openssl req -newkey rsa:2048 -nodes -keyout "$name.key" -out "$name.csr" -subj "/CN=QV Throw-away $name" 2>/dev/null &&
      openssl ca -batch -notext -config ca.cnf -cert ca.pem -keyfile ca.key -extensions "$extensions" \
        "${dates[@]}" -in "$name.csr" -out "$name.pem" 2>/dev/null &&
      openssl pkcs12 -export -inkey "$name.key" -in "$name.pem" -certfile ca.pem \
        -passout env:QV_SIGN_PASSWORD -out "$name.pfx" || return 1
  done
}
if ! (certificates) >"$work/openssl.log" 2>&1; then
  bad "making the throw-away certificates failed: $(tail -n 1 "$work/openssl.log")"
  summary
fi
ca=$work/ca.pem

# refused NAME CERT [PASSWORD]: the release stops at the certificate's
# check with one line naming it and the problem, and writes no folder.
refused() {
  local name=$1 cert=$2 out=$work/refused-dist
  QV_SKIP_SETUP=1 QV_SIGN_PASSWORD=${3-$QV_SIGN_PASSWORD} scripts/release.sh --output "$out" --sign "$cert" \
    >"$work/refused.out" 2>"$work/refused.err"
  local status=$? lines
  lines=$(wc -l <"$work/refused.err")
  # Refused by the check of the certificate, before the build: the line names it.
  if [ "$status" -ne 0 ] && [ "$lines" -eq 1 ] && grep -Fq "$cert" "$work/refused.err" &&
     [ ! -e "$out" ] && [ ! -e "$out.partial" ]; then
    ok "$name is refused with one line: $(cat "$work/refused.err")"
  else
    bad "$name: status $status, $lines lines ($(head -c 300 "$work/refused.err")), folder left: $(ls -d "$out"* 2>/dev/null)"
  fi
}
refused "an expired certificate" "$work/expired.pfx"
refused "a certificate not for code signing" "$work/server.pfx"
refused "a wrong password" "$work/signer.pfx" "not the password"
refused "a missing certificate file" "$work/nothing.pfx"

# The signed release.
if ! QV_SKIP_SETUP=1 scripts/release.sh --output "$dist" --sign "$work/signer.pfx" >"$work/release.log" 2>&1; then
  cat "$work/release.log"
  bad "the signed release failed: $(tail -n 1 "$work/release.log")"
  summary
fi
cat "$work/release.log"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-win32/CMakeCache.txt)
msi=$dist/qvperfcopy-$version.msi
fxt=$work/qvperfcopy.fxt
if [ -z "$version" ] || ! unzip -p "$dist/qvperfcopy-$version.zip" "qvperfcopy-$version/qvperfcopy.fxt" >"$fxt" || [ ! -s "$fxt" ]; then
  bad "no qvperfcopy.fxt in $dist/qvperfcopy-$version.zip"
  summary
fi
# Checked here with osslsigncode against the authority alone.
verifies() { osslsigncode verify -CAfile "$ca" -in "$1" >"$work/verify.log" 2>&1 && grep -q '^Signature verification: ok' "$work/verify.log"; }
if verifies "$fxt"; then ok "the zip's qvperfcopy.fxt verifies against the authority"; else bad "the zip's qvperfcopy.fxt does not verify: $(grep -m 1 -i -E 'mismatch|no signature|fail' "$work/verify.log")"; fi
if verifies "$msi"; then ok "the MSI verifies against the authority"; else bad "the MSI does not verify: $(grep -m 1 -i -E 'mismatch|no signature|fail' "$work/verify.log")"; fi
if grep -q 'Signing certificate chain verified' "$work/verify.log" && grep -Eq '^Message digest algorithm *: SHA256' "$work/verify.log"; then
  ok "the signature is SHA-256 and chains to the authority"
else
  bad "the MSI's signature is not SHA-256 or does not chain to the authority"
fi
if ! grep -q 'Timestamp is not available' "$work/verify.log"; then bad "the MSI carries a timestamp no server was named for"; fi

# A byte changed after signing, the DLL as built (unsigned) and one signed
# by another certificate of the same authority fail the release's own
# check with one line each.
python3 -c 'import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) // 3] ^= 1
open(sys.argv[2], "wb").write(data)' "$fxt" "$work/tampered.fxt"
scripts/sign.sh sign "$work/other.pfx" build/release-win32/bin/qvperfcopy.fxt "$work/other.fxt" ||
  bad "signing with a second certificate failed"
for case in tampered:"$work/tampered.fxt" unsigned:build/release-win32/bin/qvperfcopy.fxt other:"$work/other.fxt"; do
  name=${case%%:*} file=${case#*:}
  scripts/sign.sh verify "$work/signer.pfx" "$file" 2>"$work/verify.err"
  status=$?
  if cmp -s "$file" "$fxt" || [ "$status" -eq 0 ] || [ "$(wc -l <"$work/verify.err")" -ne 1 ] ||
     { [ "$name" != other ] && verifies "$file"; }; then
    bad "the $name DLL: status $status, $(head -c 300 "$work/verify.err")"
  else
    ok "the $name DLL fails the release's verification with one line: $(cat "$work/verify.err")"
  fi
done

# Signed again from the same build and commit: the same bytes.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) scripts/sign.sh sign "$work/signer.pfx" \
  build/release-win32/bin/qvperfcopy.fxt "$work/again.fxt"
if cmp -s "$work/again.fxt" "$fxt"; then
  ok "the DLL signed again is the same bytes as the release's"
else
  bad "the DLL signed again differs from the release's"
fi
summary
