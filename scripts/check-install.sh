#!/usr/bin/env bash
# Installs the normal build into a scratch prefix and builds and runs a small program against it,
# once through the CMake package and once through pkg-config.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$PWD/build/install-check
rm -rf "$prefix" build/consumer
cmake --install build --prefix "$prefix" >/dev/null
cmake -S examples/consumer -B build/consumer -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build build/consumer >/dev/null
QEL_REGISTRY_DIR=$(mktemp -d) build/consumer/consumer
QEL_REGISTRY_DIR=$(mktemp -d) build/consumer/consumer_static
PKG_CONFIG_PATH=$prefix/lib/pkgconfig
export PKG_CONFIG_PATH
g++ -std=c++20 examples/consumer/main.cpp $(pkg-config --cflags --libs qelcfg) \
  -Wl,-rpath,"$prefix/lib" -o build/consumer/consumer_pc
QEL_REGISTRY_DIR=$(mktemp -d) build/consumer/consumer_pc
