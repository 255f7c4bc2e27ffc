#!/usr/bin/env bash
# Signs release programs with Authenticode (Debian's osslsigncode, SHA-256). The signed copies go
# to a folder of their own and the built programs stay as they are: their bytes are what a
# rebuild from the sources gives, and what a signed copy gives back without its signature.
#   tools/sign_release.sh --cert CERT --key KEY [--pass-file FILE] [--timestamp URL] [--out DIR] [PROGRAM...]
# CERT: the code-signing certificate, PEM or DER, with its chain; KEY: its private key, PEM or
# DER; FILE: the key's password. URL: an RFC 3161 time-stamp server, which lets the signature
# outlive the certificate. DIR: build/signed unless given. PROGRAM: build/cross32/Sweepwright.exe
# and build/cross64/Sweepwright64.exe unless given.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage() { sed -n '5p' "$0" | sed 's/^# *//' >&2; exit 2; }
cert='' key='' out=$root/build/signed options=()
while [ $# -gt 0 ]; do
  case $1 in
    --cert) cert=${2:-}; shift 2 || usage ;;
    --key) key=${2:-}; shift 2 || usage ;;
    --pass-file) options+=(-readpass "${2:-}"); shift 2 || usage ;;
    --timestamp) options+=(-ts "${2:-}"); shift 2 || usage ;;
    --out) out=${2:-}; shift 2 || usage ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ -n "$cert" ] && [ -n "$key" ] && [ -n "$out" ] || usage
[ $# -gt 0 ] || set -- "$root/build/cross32/Sweepwright.exe" "$root/build/cross64/Sweepwright64.exe"
mkdir -p "$out"
for program; do
  signed=$out/$(basename "$program")
  rm -f "$signed"
  osslsigncode sign -certs "$cert" -key "$key" "${options[@]}" -h sha256 -n Sweepwright \
    -in "$program" -out "$signed" >/dev/null
  echo "signed: $signed"
done
