#!/usr/bin/env bash
# Installs everything the build, the sandbox run and the tests need, from Debian's packages:
# both mingw-w64 cross compilers, 32-bit and 64-bit Wine (the same set on every machine; the
# 32-bit part installs also where the kernel runs no 32-bit code, and the run then says so),
# Xvfb, ImageMagick, clang with its sanitizer runtimes, GoogleTest, python3-pefile, and
# osslsigncode and OpenSSL for signing releases.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then echo "install_deps.sh: run as root" >&2; exit 1; fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then dpkg --add-architecture i386; fi
apt-get update -q
apt-get install -y -q --no-install-recommends \
    cmake make g++ clang libclang-rt-14-dev \
    g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 \
    googletest libgtest-dev \
    wine wine32:i386 wine64 \
    xvfb xauth x11-utils imagemagick \
    python3 python3-pefile python3-pil fonts-dejavu-core \
    osslsigncode openssl
