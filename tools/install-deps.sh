#!/usr/bin/env bash
# Installs what building, running and testing the tool needs on Debian 12. Run as root.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
    build-essential cmake ninja-build pkg-config git ca-certificates \
    clang libclang-rt-14-dev clang-format \
    qt6-base-dev libgl1-mesa-dev \
    libgtest-dev libgmock-dev libbenchmark-dev \
    libcurl4-openssl-dev libsystemd-dev \
    xvfb xauth fonts-liberation fonts-wine fontconfig \
    python3 python3-pyftpdlib \
    iproute2 iputils-ping procps \
    desktop-file-utils appstream python3-xlib \
    lintian man-db groff-base file \
    at-spi2-core dbus-x11 python3-pyatspi \
    dbus python3-dbus python3-gi python3-prometheus-client systemd
