#!/usr/bin/env bash
# Signs the built program as a release is signed, with a throwaway certificate, and checks that
# the signature verifies and that removing it gives back the built bytes. The signed copy stays
# in OUT for a scan run on it.
#   check_signing.sh PROGRAM.exe OUT
set -euo pipefail
program=$1 out=$2 root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Sweepwright throwaway signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
"$root/tools/sign_release.sh" --cert "$work/cert.pem" --key "$work/key.pem" --out "$out" "$program"
signed=$out/$(basename "$program")
osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" >"$work/verify.txt" || { cat "$work/verify.txt"; exit 1; }
osslsigncode remove-signature -in "$signed" -out "$work/unsigned.exe" >/dev/null
/usr/bin/python3 "$root/tools/compare_builds.py" "$program" "$work/unsigned.exe"
