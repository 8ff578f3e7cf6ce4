#!/usr/bin/env bash
# clang-tidy and cppcheck over the board module's sources (src/drv/lib), with
# no finding allowed. Usage: static_analysis.sh <source dir> <build dir with
# compile_commands.json>.
set -euo pipefail
src=$1
build=$2
cd "$src"
mapfile -t sources < <(find src/drv/lib -name '*.cpp' | sort)

# clang-tidy: checks and their exclusions in src/drv/lib/.clang-tidy; every
# warning is an error there. It reads the build's compile commands without the
# options only g++ knows.
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
commands=$(mktemp -d)
trap 'rm -rf "$commands"' EXIT
sed -e 's/ -malign-data=abi//g' "$build/compile_commands.json" >"$commands/compile_commands.json"
"$tidy" -p "$commands" --quiet "${sources[@]}"

# cppcheck: useStlAlgorithm proposes the C++ library, which kernel code does
# not link; the system headers are the host compiler's, not analysed.
cppcheck --quiet --error-exitcode=1 --inline-suppr --std=c++20 --language=c++ \
  --enable=warning,style,performance,portability \
  --suppress=missingIncludeSystem --suppress=useStlAlgorithm \
  -I src/drv/lib src/drv/lib
