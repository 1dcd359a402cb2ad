#!/usr/bin/env bash
# Authenticode signatures with Debian's osslsigncode, for scripts/release.sh.
#
#   scripts/sign.sh check CERT.pfx
#       the certificate opens with the password, is in date, is for code
#       signing and chains to its authority
#   scripts/sign.sh sign CERT.pfx IN OUT [TIMESTAMP-URL]
#       signs a DLL or an MSI with SHA-256; a timestamp only when a server
#       is named
#   scripts/sign.sh verify CERT.pfx FILE
#       FILE carries a valid signature by CERT's certificate, checked
#       against CERT's chain (and the system's authorities)
#
# The password is QV_SIGN_PASSWORD (empty when unset); it never goes on a
# command line. Without a timestamp the signing time is SOURCE_DATE_EPOCH
# when set, so that the same file signed twice gives the same bytes.
# Each failure is one line on standard error.
set -euo pipefail
fail() { echo "sign.sh: $*" >&2; exit 1; }
[ $# -ge 2 ] || { echo "usage: scripts/sign.sh check|sign|verify CERT.pfx [FILES...]" >&2; exit 2; }
action=$1 cert=$2
shift 2
command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (scripts/setup.sh installs it)"
command -v openssl >/dev/null || fail "openssl is not installed (scripts/setup.sh installs it)"
[ -e "$cert" ] || fail "the certificate $cert does not exist"
{ [ -f "$cert" ] && [ -r "$cert" ]; } || fail "the certificate $cert cannot be read"
export QV_SIGN_PASSWORD=${QV_SIGN_PASSWORD:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/sign.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The signing certificate and the authorities that came with it.
openssl pkcs12 -in "$cert" -passin env:QV_SIGN_PASSWORD -nokeys -clcerts -out "$work/leaf.pem" 2>/dev/null ||
  openssl pkcs12 -legacy -in "$cert" -passin env:QV_SIGN_PASSWORD -nokeys -clcerts -out "$work/leaf.pem" 2>/dev/null ||
  fail "$cert does not open with QV_SIGN_PASSWORD (a wrong password, or not a PKCS#12 file)"
grep -q 'BEGIN CERTIFICATE' "$work/leaf.pem" || fail "$cert holds no signing certificate"
openssl pkcs12 -in "$cert" -passin env:QV_SIGN_PASSWORD -nokeys -cacerts -out "$work/chain.pem" 2>/dev/null ||
  openssl pkcs12 -legacy -in "$cert" -passin env:QV_SIGN_PASSWORD -nokeys -cacerts -out "$work/chain.pem" 2>/dev/null || true
# The authorities a signature is checked against: the file's own and the system's.
cat "$work/chain.pem" >"$work/authorities.pem"
[ ! -r /etc/ssl/certs/ca-certificates.crt ] || cat /etc/ssl/certs/ca-certificates.crt >>"$work/authorities.pem"
subject=$(openssl x509 -in "$work/leaf.pem" -noout -subject -nameopt oneline | sed 's/^subject= *//')

case "$action" in
  check)
    end=$(openssl x509 -in "$work/leaf.pem" -noout -enddate | sed 's/^notAfter=//')
    openssl x509 -in "$work/leaf.pem" -noout -checkend 0 >/dev/null || fail "the certificate in $cert ($subject) expired on $end"
    # Read whole first: a reader that stops early must not decide the status.
    usage=$(openssl x509 -in "$work/leaf.pem" -noout -ext extendedKeyUsage 2>/dev/null || true)
    [[ $usage == *'Code Signing'* ]] || fail "the certificate in $cert ($subject) is not for code signing"
    if ! why=$(openssl verify -CAfile "$work/authorities.pem" -purpose any "$work/leaf.pem" 2>&1); then
      fail "the certificate in $cert ($subject) does not chain to an authority: $(grep -m 1 'error' <<<"$why" || echo "$why" | tail -n 1)"
    fi
    ;;
  sign)
    [ $# -ge 2 ] || fail "sign needs IN and OUT"
    in=$1 out=$2 url=${3:-}
    options=(-h sha256)
    if [ -n "$url" ]; then
      options+=(-ts "$url")
    elif [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
      options+=(-time "$SOURCE_DATE_EPOCH")
    fi
    rm -f "$out"
    if ! osslsigncode sign -pkcs12 "$cert" -readpass <(printf '%s' "$QV_SIGN_PASSWORD") "${options[@]}" \
         -in "$in" -out "$out" >"$work/sign.log" 2>&1; then
      rm -f "$out"
      fail "signing $in failed: $(grep -v '^$' "$work/sign.log" | tail -n 1)"
    fi
    ;;
  verify)
    [ $# -ge 1 ] || fail "verify needs a FILE"
    file=$1
    if ! osslsigncode verify -CAfile "$work/authorities.pem" -TSA-CAfile "$work/authorities.pem" \
         -in "$file" >"$work/verify.log" 2>&1; then
      fail "$file has no valid signature: $(grep -E -m 1 'MISMATCH|No signature|error|failed|Failed' "$work/verify.log" || tail -n 1 "$work/verify.log")"
    fi
    grep -q '^Signature verification: ok' "$work/verify.log" || fail "$file: osslsigncode verify did not say the signature is ok"
    # Signed by this certificate, not only by one its authority issued.
    serial=$(openssl x509 -in "$work/leaf.pem" -noout -serial | sed 's/^serial=//')
    signer=$(awk '/^Signer.s certificate:/ { on = 1 } on && /Serial :/ { print $NF; exit }' "$work/verify.log")
    [ "$signer" = "$serial" ] || fail "$file is signed by serial ${signer:-none}, not by $cert ($subject, serial $serial)"
    ;;
  *) echo "usage: scripts/sign.sh check|sign|verify CERT.pfx [FILES...]" >&2; exit 2 ;;
esac
