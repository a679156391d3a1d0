#!/usr/bin/env bash
# Hostile media: every malformed file that tidefray-hostile makes is put in the place of one of
# the game's media files, and the real game runs on it through tidefray-record for a number of
# frames. Each run takes two images (sprite sheet and floor), two sounds and one module at once,
# so the whole set needs few runs. Every run must end with exit code 0, show no start-up
# message, and have exactly the objects the manifest expects: a broken file leaves its number
# empty while the good ones around it load.
#
# usage: hostile.sh BUILD_DIR MEDIA_DIR [FRAMES]
#   BUILD_DIR holds tidefray-record and tidefray-hostile; MEDIA_DIR holds Data/ and Music/.
set -euo pipefail
build=$1 media=$(cd "$2" && pwd) frames=${3:-600}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$build/tidefray-hostile" --media "$media" --out "$scratch/variants" >/dev/null
declare -a images=() imageExpect=() sounds=() soundExpect=() musics=() musicExpect=()
while read -r kind expect name _; do
  [[ "$kind" == \#* ]] && continue
  name=${name%:}
  case $kind in
    image) images+=("$name") imageExpect+=("$expect") ;;
    sound) sounds+=("$name") soundExpect+=("$expect") ;;
    music) musics+=("$name") musicExpect+=("$expect") ;;
  esac
done <"$scratch/variants/manifest.txt"

runs=$(( (${#images[@]} + 1) / 2 ))
(( (${#sounds[@]} + 1) / 2 > runs )) && runs=$(( (${#sounds[@]} + 1) / 2 ))
(( ${#musics[@]} > runs )) && runs=${#musics[@]}
echo "hostile: ${#images[@]} images, ${#sounds[@]} sounds, ${#musics[@]} modules in $runs runs"

failures=0
# Places variant $2 of list $1 (or keeps the good file) at path $3; prints its expectation.
place() {
  local -n names=$1 expects=$2
  local index=$3 target=$4
  if ((index < ${#names[@]})); then
    cp "$scratch/variants/${names[index]}" "$target"
    echo "${expects[index]} ${names[index]}"
  else
    echo "loads -"
  fi
}
# Whether word $2 is in the space-separated list $1.
has() { [[ " $1 " == *" $2 "* ]]; }
# Checks one object: expectation $1, presence $2 (yes/no), description $3.
check() {
  case $1 in
    absent) [[ $2 == no ]] ;;
    loads) [[ $2 == yes ]] ;;
    any) true ;;
  esac
}

for ((run = 0; run < runs; ++run)); do
  dir="$scratch/run"
  rm -rf "$dir"
  mkdir -p "$dir/Data" "$dir/Music"
  cp "$media"/Data/*.png "$media"/Data/*.wav "$dir/Data/"
  cp "$media/Music/evolutionloop.it" "$dir/Music/"
  read -r sheetExpect sheetName < <(place images imageExpect $((2 * run)) "$dir/Data/sprites01.png")
  read -r floorExpect floorName < <(place images imageExpect $((2 * run + 1)) "$dir/Data/bg_floor01.png")
  read -r shotExpect shotName < <(place sounds soundExpect $((2 * run)) "$dir/Data/player_bullet01.wav")
  read -r hitExpect hitName < <(place sounds soundExpect $((2 * run + 1)) "$dir/Data/collision01.wav")
  read -r musicExp musicName < <(place musics musicExpect "$run" "$dir/Music/evolutionloop.it")
  files="sheet $sheetName, floor $floorName, shot $shotName, hit $hitName, music $musicName"

  status=0
  "$build/tidefray-record" --data "$dir" --frames "$frames" --objects >"$scratch/out.txt" \
    2>"$scratch/err.txt" || status=$?
  objects=$(sed -n 's/^objects: //p' "$scratch/out.txt")
  sprites=$(sed -E 's/^sprites ?(.*) sounds.*/\1/' <<<"$objects")
  soundsLive=$(sed -E 's/.*sounds ?(.*) music.*/\1/' <<<"$objects")
  musicLive=$(sed -E 's/.*music ?(.*)$/\1/' <<<"$objects")
  yes() { if "$@"; then echo yes; else echo no; fi; }
  problems=()
  if ((status != 0)); then problems+=("exit code $status"); fi
  if [[ -s "$scratch/err.txt" ]]; then problems+=("stderr: $(head -c 2000 "$scratch/err.txt")"); fi
  if [[ -z "$objects" ]]; then problems+=("no objects line: the game did not run"); fi
  if ! grep -q "^frames presented: $frames," "$scratch/out.txt"; then
    problems+=("did not present $frames frames")
  fi
  if [[ -n "$objects" ]]; then
    # The sheet and its four copies live or die together.
    sheetLive=$(yes has "$sprites" 0)
    copiesLive=$(yes eval 'has "$sprites" 1 && has "$sprites" 2 && has "$sprites" 3 && has "$sprites" 4')
    [[ $sheetLive == "$copiesLive" ]] || problems+=("sprite sheet $sheetLive but copies $copiesLive")
    check "$sheetExpect" "$sheetLive" || problems+=("sheet $sheetName: expected $sheetExpect")
    check "$floorExpect" "$(yes has "$sprites" 20)" || problems+=("floor $floorName: expected $floorExpect")
    check "$shotExpect" "$(yes has "$soundsLive" 0)" || problems+=("shot $shotName: expected $shotExpect")
    check "$hitExpect" "$(yes has "$soundsLive" 1)" || problems+=("hit $hitName: expected $hitExpect")
    check "$musicExp" "$(yes has "$musicLive" 0)" || problems+=("music $musicName: expected $musicExp")
  fi
  if ((${#problems[@]})); then
    failures=$((failures + 1))
    echo "run $run FAILED ($files):"
    printf '  %s\n' "${problems[@]}"
  else
    echo "run $run ok ($files): $objects"
  fi
done

if ((failures)); then
  echo "hostile: $failures of $runs runs failed" >&2
  exit 1
fi
echo "hostile: all $runs runs ended cleanly with the expected objects"
