#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent and non-interactive:
# packages that are already installed are skipped, so a warm machine does no work here.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  clang libclang-rt-14-dev            # libFuzzer and the sanitizer runtimes
  libgtest-dev libgmock-dev           # unit tests
  nlohmann-json3-dev                  # the builder's manifest
  zlib1g-dev libpng-dev               # images
  libfreetype-dev libfontconfig-dev fonts-dejavu-core   # typefaces; the default font's face
  libsdl2-dev libepoxy-dev            # the window and the GL function loader
  libegl-dev libopengl-dev libgl-dev  # headless GL (EGL) headers
  libegl1 libegl-mesa0 libopengl0 libgl1-mesa-dri   # Mesa's software renderer (llvmpipe)
  libopenal-dev libalut-dev           # sound output (OpenAL Soft) and WAV images (freealut)
  libmpg123-dev libfluidsynth-dev timgm6mb-soundfont   # music: MP3 and MIDI with a General MIDI font
  lame                                # sound tests: making a test MP3
  xvfb xauth x11-apps                 # a real window in tests (X server, xwd)
  xfonts-base                         # core fonts for SDL's X11 message boxes under Xvfb
  xdotool                             # real key and mouse events sent to a window in tests
  love                                # the sprite benchmark's peer
  lua5.4                              # the benchmarks' peer
  python3                             # end-to-end test driver
  libffi-dev                          # native calls
  libcurl4-openssl-dev                # web requests
  libbox2d-dev                        # physics (Box2D 2.4)
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
