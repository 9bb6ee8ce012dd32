# Background scenes, sourced by tools/generate-assets.
#
# scene_svg WIDTH HEIGHT GROUND_Y PALETTE SEED prints one landscape: sky,
# sun or moon, clouds, two rows of hills, and grass over soil whose top edge
# is exactly at GROUND_Y. PALETTE is day | morning | meadow | pastel | sunset |
# dusk | ember | frost.
# The upper two thirds stay plain (soft gradient, a few faint clouds) so that
# the structures, birds and menu text in front of them stay readable.

set_palette() {
    case $1 in
    day)
        SKY_TOP="#5eb6f0" SKY_BOT="#d8f1ff" SUN="#fff6b0" GLOW="#fff9d8" CLOUD="#ffffff" CLOUD_OP=0.85
        FAR="#a9d6a0" NEAR="#7fc066" GRASS="#6cbf3f" GRASS_DARK="#4e9a2c" SOIL="#a8743f" SOIL_DARK="#7a5028" STARS=0
        SUN_AT="0.82 0.16 0.055"
        ;;
    morning)
        SKY_TOP="#7cc4f2" SKY_BOT="#fff0d6" SUN="#fff1a8" GLOW="#ffe9c2" CLOUD="#ffffff" CLOUD_OP=0.8
        FAR="#b9d9b0" NEAR="#8cc878" GRASS="#76c64a" GRASS_DARK="#56a232" SOIL="#b07d48" SOIL_DARK="#82592f" STARS=0
        SUN_AT="0.14 0.22 0.06"
        ;;
    meadow)
        SKY_TOP="#66b8ea" SKY_BOT="#e6f6ff" SUN="#fff6b0" GLOW="#fffbe0" CLOUD="#ffffff" CLOUD_OP=0.9
        FAR="#9fd2b4" NEAR="#72bd74" GRASS="#64b848" GRASS_DARK="#479431" SOIL="#9c6b3c" SOIL_DARK="#704a26" STARS=0
        SUN_AT="0.5 0.12 0.05"
        ;;
    pastel)
        SKY_TOP="#7fc3e6" SKY_BOT="#ffdbe8" SUN="#fff3c4" GLOW="#ffe6ee" CLOUD="#ffffff" CLOUD_OP=0.8
        FAR="#c3b6e0" NEAR="#8fcfb4" GRASS="#7acb62" GRASS_DARK="#58a848" SOIL="#b98a5a" SOIL_DARK="#8a6238" STARS=0
        SUN_AT="0.86 0.2 0.05"
        ;;
    sunset)
        SKY_TOP="#f08a5d" SKY_BOT="#ffe0a3" SUN="#fff0b0" GLOW="#ffd08a" CLOUD="#ffd1c0" CLOUD_OP=0.75
        FAR="#c98a7a" NEAR="#9a7a5a" GRASS="#7fa23a" GRASS_DARK="#5e7f28" SOIL="#8a5a34" SOIL_DARK="#603c20" STARS=0
        SUN_AT="0.74 0.66 0.08"
        ;;
    dusk)
        SKY_TOP="#2e3d70" SKY_BOT="#8b73b0" SUN="#f4f0dc" GLOW="#c9c2e6" CLOUD="#a99bc9" CLOUD_OP=0.5
        FAR="#4f4f86" NEAR="#3d5a6a" GRASS="#3f7a4a" GRASS_DARK="#2c5a36" SOIL="#5a4536" SOIL_DARK="#3c2e24" STARS=1
        SUN_AT="0.18 0.15 0.04"
        ;;
    ember)
        # autumn ridges under a hazy amber sky
        SKY_TOP="#d9793f" SKY_BOT="#f7d9a6" SUN="#fff3c8" GLOW="#ffcf8c" CLOUD="#ffe4c8" CLOUD_OP=0.7
        FAR="#b8643c" NEAR="#8e4a2c" GRASS="#8fa83a" GRASS_DARK="#6c8426" SOIL="#7a4a2a" SOIL_DARK="#52301a" STARS=0
        SUN_AT="0.3 0.3 0.065"
        ;;
    frost)
        # snowy hills under a pale winter sky
        SKY_TOP="#6f9ccc" SKY_BOT="#e8f2fb" SUN="#ffffff" GLOW="#eef6ff" CLOUD="#f4f8ff" CLOUD_OP=0.85
        FAR="#b8cde0" NEAR="#dfe9f3" GRASS="#a6d0a8" GRASS_DARK="#7fae86" SOIL="#6f7f8f" SOIL_DARK="#4a5664" STARS=0
        SUN_AT="0.66 0.14 0.045"
        ;;
    esac
}

# A soft cloud made of overlapping ellipses around (x, y) with size s.
cloud() {
    local x=$1 y=$2 s=$3
    echo "<g fill=\"$CLOUD\" opacity=\"$CLOUD_OP\">"
    echo "<ellipse cx=\"$x\" cy=\"$y\" rx=\"$((s * 2))\" ry=\"$((s * 3 / 4))\"/>"
    echo "<circle cx=\"$((x - s * 3 / 4))\" cy=\"$((y - s / 3))\" r=\"$((s * 3 / 4))\"/>"
    echo "<circle cx=\"$((x + s / 3))\" cy=\"$((y - s * 2 / 3))\" r=\"$s\"/>"
    echo "</g>"
}

# A rolling hill line: smooth bumps between GROUND_Y - top and GROUND_Y - low.
hills() {
    local w=$1 ground=$2 top=$3 low=$4 colour=$5 bumps=$6
    local step=$((w / bumps)) x=0
    local d="M 0 $((ground + 2)) L 0 $((ground - low))"
    for ((x = 0; x < w; x += step)); do
        local peak=$((ground - low - RANDOM % (top - low + 1)))
        d="$d Q $((x + step / 2)) $((peak - (top - low) / 2)) $((x + step)) $((ground - low - RANDOM % ((top - low) / 3 + 1)))"
    done
    echo "<path d=\"$d L $w $((ground + 2)) Z\" fill=\"$colour\"/>"
}

# Round cartoon trees standing on the ground line.
trees() {
    local w=$1 ground=$2 count=$3 size=$4 i
    for ((i = 0; i < count; i++)); do
        local x=$((w / (count + 1) * (i + 1) + RANDOM % (w / (count * 3) + 1))) s=$((size * (80 + RANDOM % 40) / 100))
        echo "<rect x=\"$((x - s / 8))\" y=\"$((ground - s))\" width=\"$((s / 4))\" height=\"$s\" fill=\"$SOIL_DARK\"/>"
        echo "<circle cx=\"$x\" cy=\"$((ground - s - s / 3))\" r=\"$((s * 3 / 5))\" fill=\"$GRASS_DARK\"/>"
        echo "<circle cx=\"$((x - s / 6))\" cy=\"$((ground - s - s / 2))\" r=\"$((s / 3))\" fill=\"$GRASS\" opacity=\"0.6\"/>"
    done
}

# Grass tufts along the ground line so the edge reads as a meadow.
tufts() {
    local w=$1 ground=$2 x
    local d=""
    for ((x = 0; x < w; x += 18 + RANDOM % 30)); do
        local h=$((6 + RANDOM % 10))
        d="$d M $x $((ground + 2)) L $((x + 4)) $((ground - h)) L $((x + 8)) $((ground + 2)) Z"
    done
    echo "<path d=\"$d\" fill=\"$GRASS\"/>"
}

scene_svg() {
    local w=$1 h=$2 ground=$3 palette=$4 seed=$5
    set_palette "$palette"
    RANDOM=$seed
    local sx sy sr
    read -r sx sy sr <<<"$SUN_AT"
    local sunx sunr suny
    sunx=$(awk -v a="$sx" -v w="$w" 'BEGIN{printf "%d", a * w}')
    suny=$(awk -v a="$sy" -v h="$ground" 'BEGIN{printf "%d", a * h}')
    sunr=$(awk -v a="$sr" -v w="$w" 'BEGIN{printf "%d", a * w}')
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
<defs>
  <linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="$SKY_TOP"/><stop offset="1" stop-color="$SKY_BOT"/>
  </linearGradient>
  <radialGradient id="glow" cx="0.5" cy="0.5" r="0.5">
    <stop offset="0" stop-color="$GLOW" stop-opacity="0.9"/><stop offset="1" stop-color="$GLOW" stop-opacity="0"/>
  </radialGradient>
  <linearGradient id="soil" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="$SOIL"/><stop offset="1" stop-color="$SOIL_DARK"/>
  </linearGradient>
</defs>
<rect x="0" y="0" width="$w" height="$((ground + 4))" fill="url(#sky)"/>
EOF
    if [ "$STARS" = 1 ]; then
        local i
        echo "<g fill=\"#fffbe6\">"
        for ((i = 0; i < 70; i++)); do
            echo "<circle cx=\"$((RANDOM % w))\" cy=\"$((RANDOM % (ground / 2)))\" r=\"$((1 + RANDOM % 2))\" opacity=\"0.$((4 + RANDOM % 6))\"/>"
        done
        echo "</g>"
    fi
    echo "<circle cx=\"$sunx\" cy=\"$suny\" r=\"$((sunr * 3))\" fill=\"url(#glow)\"/>"
    if [ "$STARS" = 1 ]; then
        # a crescent moon: a second disc masks out most of the first
        echo "<mask id=\"crescent\"><rect x=\"0\" y=\"0\" width=\"$w\" height=\"$h\" fill=\"white\"/>"
        echo "<circle cx=\"$((sunx + sunr / 2))\" cy=\"$((suny - sunr / 4))\" r=\"$sunr\" fill=\"black\"/></mask>"
        echo "<circle cx=\"$sunx\" cy=\"$suny\" r=\"$sunr\" fill=\"$SUN\" mask=\"url(#crescent)\"/>"
    else
        echo "<circle cx=\"$sunx\" cy=\"$suny\" r=\"$sunr\" fill=\"$SUN\"/>"
    fi
    local c cx cy cs
    for c in 0 1 2 3; do
        cx=$((w * (2 * c + 1) / 8 + RANDOM % (w / 10)))
        cy=$((ground / 10 + RANDOM % (ground / 4)))
        cs=$((w / 40 + RANDOM % (w / 60 + 1)))
        # no cloud in front of the sun or moon
        [ $((cx - sunx)) -lt $((sunr * 3 + cs * 2)) ] && [ $((sunx - cx)) -lt $((sunr * 3 + cs * 2)) ] && continue
        cloud "$cx" "$cy" "$cs"
    done
    hills "$w" "$ground" $((h / 4)) $((h / 12)) "$FAR" 5
    hills "$w" "$ground" $((h / 9)) $((h / 30)) "$NEAR" 7
    trees "$w" "$ground" 3 $((h / 16))
    echo "<rect x=\"0\" y=\"$ground\" width=\"$w\" height=\"$((h - ground))\" fill=\"url(#soil)\"/>"
    echo "<rect x=\"0\" y=\"$ground\" width=\"$w\" height=\"$((h / 40 + 6))\" fill=\"$GRASS\"/>"
    echo "<rect x=\"0\" y=\"$((ground + h / 40 + 6))\" width=\"$w\" height=\"4\" fill=\"$GRASS_DARK\"/>"
    tufts "$w" "$ground"
    # pebbles in the soil
    local p
    echo "<g fill=\"$SOIL_DARK\" opacity=\"0.7\">"
    for ((p = 0; p < 40; p++)); do
        echo "<ellipse cx=\"$((RANDOM % w))\" cy=\"$((ground + h / 40 + 16 + RANDOM % (h - ground - h / 40 - 14)))\" rx=\"$((3 + RANDOM % 6))\" ry=\"$((2 + RANDOM % 3))\"/>"
    done
    echo "</g>"
    echo "</svg>"
}
