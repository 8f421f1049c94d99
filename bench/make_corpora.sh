#!/usr/bin/env bash
# Builds the four bench corpora under DIR from Debian packages, so that every
# machine measures the same trees:
#   A  the Linux 6.1 source tree (package linux-source-6.1, extracted)
#   B  shared libraries, locales and icons: the regular files of a fixed list
#      of Debian 12 packages (below; about 580 MB in 9,500 files), unpacked
#      without installing them, so the tree does not depend on what the
#      machine happens to have installed
#   C  one tar of A (a single large file)
#   D  the files of A under 4 KiB, in their folders (many small files)
# A corpus already built is left as it is (delete its folder to rebuild it).
# Installs what it needs with apt-get; run as root or with sudo available.
# Usage: bench/make_corpora.sh DIR
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 DIR" >&2; exit 2; }
mkdir -p "$1"
dir=$(realpath "$1")

# Symbolic links are left out of B: the tools compared do not treat them alike.
b_packages=(
    libllvm15 libclang-cpp15 libclang1-15 libicu72 libz3-4 libx265-199
    libavcodec59 libavfilter8 libwebkit2gtk-4.1-0 libjavascriptcoregtk-4.1-0
    libqt6core6 libqt6gui6 libqt6widgets6 libqt6qml6 libqt6quick6
    libgtk-3-0 libgtk-4-1 libpython3.11 libssl3 libharfbuzz0b libstdc++6
    locales libc-l10n
    adwaita-icon-theme gnome-icon-theme tango-icon-theme
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

updated=no
apt_install() { # packages...
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ $updated = no ]; then
        as_root apt-get update -qq
        updated=yes
    fi
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

report() { # name folder-or-file
    if [ -d "$2" ]; then
        printf '%s  %-40s %9.1f MB  %7d files\n' "$1" "$2" \
            "$(find "$2" -type f -printf '%s\n' | awk '{ s += $1 } END { print s / 1e6 }')" \
            "$(find "$2" -type f | wc -l)"
    else
        printf '%s  %-40s %9.1f MB  %7d files\n' "$1" "$2" "$(stat -c %s "$2" | awk '{ print $1 / 1e6 }')" 1
    fi
}

# A: the kernel tree. The tarball holds one top folder, linux-source-6.1.
if [ ! -d "$dir/A" ]; then
    apt_install linux-source-6.1 xz-utils
    rm -rf "$dir/A.part"
    mkdir -p "$dir/A.part"
    tar -xJf /usr/src/linux-source-6.1.tar.xz -C "$dir/A.part" --strip-components=1
    mv "$dir/A.part" "$dir/A"
fi

# B: the regular files of the packages above, as they would lie under /.
if [ ! -d "$dir/B" ]; then
    rm -rf "$dir/B.part" "$dir/B.debs"
    mkdir -p "$dir/B.part" "$dir/B.debs"
    if [ $updated = no ]; then
        as_root apt-get update -qq
        updated=yes
    fi
    # apt's download sandbox user must be able to write there.
    if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then
        chown _apt "$dir/B.debs"
    fi
    (cd "$dir/B.debs" && apt-get download -qq "${b_packages[@]}")
    for deb in "$dir"/B.debs/*.deb; do
        dpkg-deb -x "$deb" "$dir/B.part"
    done
    find "$dir/B.part" ! -type d ! -type f -delete
    find "$dir/B.part" -depth -type d -empty -delete
    rm -rf "$dir/B.debs"
    mv "$dir/B.part" "$dir/B"
fi

# C: one tar of A.
if [ ! -f "$dir/C/A.tar" ]; then
    mkdir -p "$dir/C"
    tar -cf "$dir/C/A.tar.part" -C "$dir" A
    mv "$dir/C/A.tar.part" "$dir/C/A.tar"
fi

# D: the files of A under 4 KiB, keeping their folders.
if [ ! -d "$dir/D" ]; then
    rm -rf "$dir/D.part"
    mkdir -p "$dir/D.part"
    (cd "$dir/A" && find . -type f -size -4096c -print0 | tar --null -T - -cf -) | tar -xf - -C "$dir/D.part"
    mv "$dir/D.part" "$dir/D"
fi

report A "$dir/A"
report B "$dir/B"
report C "$dir/C/A.tar"
report D "$dir/D"
