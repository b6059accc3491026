#!/usr/bin/env bash
# Installs what building and testing need (Debian 12, as root), and the
# packages named as arguments.
set -euo pipefail
PKGS=(g++ clang cmake make pkg-config libgtest-dev libbenchmark-dev libssl-dev
      libsdl1.2-compat-dev libsdl-mixer1.2-dev libsdl-net1.2-dev libmp3lame-dev xvfb x11-apps
      dovecot-pop3d opensmtpd python3-aiosmtpd ngircd vsftpd curl "$@")
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -q "${missing[@]}" || { apt-get update -q && apt-get install -y -q "${missing[@]}"; }
fi
