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

# Wine takes its ANSI code page from LANG, but only when that locale exists:
# zh_CN gives code page 936, en_US 1252. de_DE gives the native tests a C locale
# whose decimal point is a comma.
wanted_locales=(zh_CN en_US de_DE)
missing_locales=()
for l in "${wanted_locales[@]}"; do
  locale -a 2>/dev/null | grep -qi "^$l\.utf-\?8$" || missing_locales+=("$l")
done
if ((${#missing_locales[@]})); then
  echo "setup: generating ${missing_locales[*]/%/.UTF-8}"
  for l in "${missing_locales[@]}"; do
    grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null ||
      echo "$l.UTF-8 UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  done
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
echo "setup: ok"
