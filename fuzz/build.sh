#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer,
# outside the CMake build: only the GL-free reader sources are compiled, so a reader that starts
# to need GL fails to link here. Output in build-fuzz/ (or KRESTEL_FUZZ_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${KRESTEL_FUZZ_BUILD_DIR:-$root/build-fuzz}"
cxx="${CXX_FUZZ:-clang++-14}"
mkdir -p "$out/obj"
# Two runs started together must not compile the same objects at once.
exec 9>"$out/.build.lock"
flock 9
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -Wall -Wextra -I"$root"
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)

# The system's libpng and TurboJPEG are linked as they are: the glue around them is what is fuzzed.
# The scene parser: the template scanner and the section readers, and the notes that explain its
# errors; not the apply step (apply.cpp) nor the file layer (loader.cpp). core/ for
# boundsOfVertices.
scene_sources=(loader/parse.cpp loader/scan.cpp loader/parse_graph.cpp loader/parse_hud.cpp
               loader/parse_resources.cpp loader/description.cpp loader/vocabulary.cpp
               loader/segment.cpp loader/notes.cpp core/math.cpp core/list.cpp core/alloc.cpp
               core/records.cpp)
image_sources=(texture/tga.cpp texture/image.cpp core/math.cpp)

compile() { # source -> object, rebuilt when the source or a header it names is newer
  local src="$1" obj="$out/obj/$(echo "$1" | tr / _).o"
  if [ ! -f "$obj" ] || [ -n "$(find "$root/$src" "$root/loader" "$root/core" "$root/texture" \
        "$root/fuzz" -newer "$obj" -name '*.[ch]*' -print -quit)" ]; then
    "$cxx" "${flags[@]}" -c "$root/$src" -o "$obj"
  fi
  echo "$obj"
}

link() { # target name, main source, engine sources and -l libraries...
  local name="$1" main="$2"
  shift 2
  local objs=() libs=()
  for src in "$main" "$@"; do
    case "$src" in -l*) libs+=("$src") ;; *) objs+=("$(compile "$src")") ;; esac
  done
  "$cxx" "${flags[@]}" "${objs[@]}" "${libs[@]}" -o "$out/$name"
  echo "built $out/$name"
}

link parse_scene fuzz/parse_scene_fuzz.cpp "${scene_sources[@]}"
link decode_image fuzz/decode_image_fuzz.cpp "${image_sources[@]}" -lpng -lturbojpeg
