#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian (bookworm) machine.
# Safe to run again: it only installs what is missing and generates the locale once.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev
  g++-mingw-w64-x86-64-posix
  wine wine64
  xvfb x11-apps x11-utils imagemagick
  locales fonts-wqy-microhei
)

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    libgl1 libfontconfig1 libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1 \
    libxcomposite1 libxext6 libfreetype6 >/dev/null
fi

# The cross compiler must use the posix thread model (std::thread, std::mutex in libstdc++).
for tool in x86_64-w64-mingw32-g++ x86_64-w64-mingw32-gcc; do
  if [[ -x /usr/bin/$tool-posix ]] && [[ $(readlink -f "/usr/bin/$tool") != *posix* ]]; then
    "${sudo_cmd[@]}" update-alternatives --set "$tool" "/usr/bin/$tool-posix" >/dev/null
  fi
done

# Wine takes its ANSI code page from LANG, but only when that locale exists.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  echo "setup: generating zh_CN.UTF-8"
  if ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'zh_CN.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  if ! grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'en_US.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
if ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
  grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
    echo 'en_US.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
echo "setup: ok"
