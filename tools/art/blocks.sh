# Block artwork, sourced by tools/generate-assets.
#
# block_svg MATERIAL WIDTH HEIGHT DAMAGE prints one SVG block drawing:
#   MATERIAL  wood | stone | metal | glass
#   DAMAGE    0 (intact), 1 (light cracks) or 2 (heavy cracks)
# Long and tall images share one drawing: the texture is laid out along the
# long side and turned a quarter when the block stands upright, so that wood
# grain runs along a beam or a post as it would in real timber. The outline
# and bevel are drawn after the turn so the light still falls from the top.
# The cracked looks are the intact drawing plus a crack layer, so they match
# the base image exactly. Randomness uses bash's RANDOM with fixed seeds: the
# output is the same on every run.

OUTLINE="#2b1a10"

# Rounded-rectangle outline of the whole block, in image coordinates.
block_shape() {
    local w=$1 h=$2 inset=$3 radius=$4
    echo "x=\"$inset\" y=\"$inset\" width=\"$((w - 2 * inset))\" height=\"$((h - 2 * inset))\" rx=\"$radius\""
}

# A wavy grain line along the long side at height y (texture coordinates).
grain_line() {
    local len=$1 y=$2 amp=$3 colour=$4 width=$5
    local d="M -4 $y" x=0 step=$((len / 6 + 1))
    while [ $x -lt $((len + step)) ]; do
        local dy=$(((RANDOM % (2 * amp + 1)) - amp))
        d="$d Q $((x + step / 2)) $((y + dy)) $((x + step)) $y"
        x=$((x + step))
    done
    echo "<path d=\"$d\" fill=\"none\" stroke=\"$colour\" stroke-width=\"$width\" stroke-linecap=\"round\"/>"
}

wood_texture() {
    local len=$1 thick=$2 knots=${3:-2}
    RANDOM=1101
    echo "<rect x=\"0\" y=\"0\" width=\"$len\" height=\"$thick\" fill=\"url(#woodfill)\"/>"
    local rows=$((thick / 11)) i
    for ((i = 1; i <= rows; i++)); do
        grain_line "$len" $((i * thick / (rows + 1))) 4 "#8a5526" 2.5
    done
    # a couple of knots with rings around them
    local k
    for ((k = 1; k <= knots; k++)); do
        local kx=$((len * (2 * k - 1) / 4 + RANDOM % (len / 8 + 1))) ky=$((thick / 3 + RANDOM % (thick / 3 + 1)))
        echo "<ellipse cx=\"$kx\" cy=\"$ky\" rx=\"$((thick / 6 + 3))\" ry=\"$((thick / 12 + 2))\" fill=\"#7a4a20\"/>"
        echo "<ellipse cx=\"$kx\" cy=\"$ky\" rx=\"$((thick / 4 + 5))\" ry=\"$((thick / 8 + 4))\" fill=\"none\" stroke=\"#8a5526\" stroke-width=\"2\"/>"
    done
    # nail heads at both ends of a beam
    if [ "$len" -gt $((2 * thick)) ]; then
        local nx
        for nx in $((thick / 2)) $((len - thick / 2)); do
            echo "<circle cx=\"$nx\" cy=\"$((thick / 2))\" r=\"4.5\" fill=\"#5d5d66\" stroke=\"$OUTLINE\" stroke-width=\"1.5\"/>"
        done
    fi
}

# A square wooden block is drawn as a small crate: frame and a diagonal brace.
wood_crate() {
    local s=$1
    local f=$((s / 7))
    wood_texture "$s" "$s" 0
    echo "<g fill=\"none\" stroke=\"#6e4119\" stroke-width=\"3\">"
    echo "<rect x=\"$f\" y=\"$f\" width=\"$((s - 2 * f))\" height=\"$((s - 2 * f))\"/>"
    echo "<path d=\"M $f $((s - f)) L $((s - f)) $f\" stroke-width=\"$((f - 2))\" stroke=\"#c98d4e\"/>"
    echo "<path d=\"M $f $((s - f)) L $((s - f)) $f\"/>"
    echo "</g>"
}

stone_texture() {
    local len=$1 thick=$2
    RANDOM=2202
    echo "<rect x=\"0\" y=\"0\" width=\"$len\" height=\"$thick\" fill=\"url(#stonefill)\"/>"
    # cobbles of varying size and tone, laid roughly in courses
    local greys=("#9b9ea6" "#8a8d95" "#a9acb3" "#7f828a")
    local courses=$(((thick + 20) / 44)) c x
    [ "$courses" -lt 1 ] && courses=1
    local ch=$((thick / courses))
    for ((c = 0; c < courses; c++)); do
        x=$(((c % 2) * 14 - 10))
        while [ $x -lt "$len" ]; do
            local w=$((ch + 6 + RANDOM % (ch / 2 + 8)))
            local g=${greys[$((RANDOM % 4))]}
            local cx=$((x + w / 2)) cy=$((c * ch + ch / 2))
            echo "<rect x=\"$((x + 3))\" y=\"$((c * ch + 3))\" width=\"$((w - 6))\" height=\"$((ch - 6))\" rx=\"$((ch / 3))\" fill=\"$g\" stroke=\"#5b5e66\" stroke-width=\"2.5\"/>"
            echo "<ellipse cx=\"$((cx - w / 6))\" cy=\"$((cy - ch / 6))\" rx=\"$((w / 5))\" ry=\"$((ch / 8 + 1))\" fill=\"#ffffff\" opacity=\"0.22\"/>"
            x=$((x + w))
        done
    done
    # speckles
    local i
    for ((i = 0; i < len * thick / 500; i++)); do
        echo "<circle cx=\"$((RANDOM % len))\" cy=\"$((RANDOM % thick))\" r=\"$((1 + RANDOM % 2))\" fill=\"#5b5e66\" opacity=\"0.6\"/>"
    done
}

metal_texture() {
    local len=$1 thick=$2
    echo "<rect x=\"0\" y=\"0\" width=\"$len\" height=\"$thick\" fill=\"url(#metalfill)\"/>"
    # plates about twice as long as the block is thick, rivets at their corners
    local plates=$(((len + thick) / (2 * thick)))
    [ "$plates" -lt 1 ] && plates=1
    local p r=$((thick / 14 + 3)) m=$((thick / 6 + 4))
    for ((p = 0; p < plates; p++)); do
        local x0=$((p * len / plates)) x1=$(((p + 1) * len / plates))
        if [ $p -gt 0 ]; then
            echo "<path d=\"M $x0 0 L $x0 $thick\" stroke=\"#4d5560\" stroke-width=\"3\"/>"
            echo "<path d=\"M $((x0 + 2)) 0 L $((x0 + 2)) $thick\" stroke=\"#e6ebf0\" stroke-width=\"1.5\" opacity=\"0.8\"/>"
        fi
        local rx ry
        for rx in $((x0 + m)) $((x1 - m)); do
            for ry in $m $((thick - m)); do
                echo "<circle cx=\"$rx\" cy=\"$ry\" r=\"$r\" fill=\"url(#rivet)\" stroke=\"#3b424c\" stroke-width=\"1.5\"/>"
            done
        done
    done
    # diagonal sheen
    local s
    for s in $((len / 5)) $((len * 3 / 5)); do
        echo "<path d=\"M $s $thick L $((s + thick / 2)) 0 L $((s + thick / 2 + thick / 4)) 0 L $((s + thick / 4)) $thick Z\" fill=\"#ffffff\" opacity=\"0.18\"/>"
    done
}

glass_texture() {
    local len=$1 thick=$2
    echo "<rect x=\"0\" y=\"0\" width=\"$len\" height=\"$thick\" fill=\"url(#glassfill)\"/>"
    local s
    for s in $((len / 8)) $((len * 5 / 8)); do
        echo "<path d=\"M $s $thick L $((s + thick * 2 / 3)) 0 L $((s + thick * 2 / 3 + thick / 5)) 0 L $((s + thick / 5)) $thick Z\" fill=\"#ffffff\" opacity=\"0.45\"/>"
        echo "<path d=\"M $((s + thick / 3)) $thick L $((s + thick)) 0 L $((s + thick + thick / 12)) 0 L $((s + thick / 3 + thick / 12)) $thick Z\" fill=\"#ffffff\" opacity=\"0.35\"/>"
    done
    echo "<rect x=\"6\" y=\"6\" width=\"$((len - 12))\" height=\"$((thick - 12))\" rx=\"4\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"2\" opacity=\"0.55\"/>"
}

# One jagged crack from (x, y) heading roughly along (dx, dy) per segment.
# The path is appended to CRACKS rather than printed: a command substitution
# would run in a subshell, where bash reseeds RANDOM and the output would
# change from run to run.
crack_path() {
    local x=$1 y=$2 dx=$3 dy=$4 segments=$5 jitter=$6
    local d="M $x $y" i
    for ((i = 0; i < segments; i++)); do
        x=$((x + dx + (RANDOM % (2 * jitter + 1)) - jitter))
        y=$((y + dy + (RANDOM % (2 * jitter + 1)) - jitter))
        d="$d L $x $y"
    done
    CRACKS+=("$d")
}

# Cracks in texture coordinates: light damage is two short cracks from the
# edges, heavy damage adds long branching cracks and a chipped corner.
crack_layer() {
    local material=$1 len=$2 thick=$3 damage=$4
    RANDOM=$((3303 + damage))
    local dark="#3a2210" light="#f0d2a0" wide=4
    if [ "$material" = glass ]; then dark="#2f5f80"; light="#ffffff"; wide=3; fi
    local st=$((thick / 5 + 2))
    CRACKS=()
    crack_path $((len / 3)) 0 $((st / 2)) "$st" 4 $((st / 2))
    crack_path $((len * 3 / 4)) "$thick" $((-st / 2)) $((-st)) 3 $((st / 2))
    if [ "$damage" -ge 2 ]; then
        crack_path 0 $((thick / 2)) $((len / 9 + 2)) 0 6 $((st / 2 + 2))
        crack_path "$len" $((thick / 3)) $((-len / 10 - 2)) 2 5 $((st / 2 + 2))
        crack_path $((len / 2)) 0 $((-st / 3)) "$st" 5 $((st / 2))
        crack_path $((len / 8)) "$thick" $((st / 2)) $((-st)) 4 $((st / 2))
    fi
    local p
    for p in "${CRACKS[@]}"; do
        echo "<path d=\"$p\" transform=\"translate(1.5 1.5)\" fill=\"none\" stroke=\"$light\" stroke-width=\"$((wide - 1))\" stroke-linejoin=\"round\" opacity=\"0.8\"/>"
        echo "<path d=\"$p\" fill=\"none\" stroke=\"$dark\" stroke-width=\"$wide\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>"
    done
    if [ "$damage" -ge 2 ]; then
        local c=$((thick / 3 + 4))
        echo "<path d=\"M $((len - c * 2)) 0 L $((len - c)) $((c * 2 / 3)) L $len $c L $len 0 Z\" fill=\"$dark\" opacity=\"0.85\"/>"
    fi
}

block_defs() {
    cat <<EOF
<defs>
  <linearGradient id="woodfill" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#e9b070"/><stop offset="0.5" stop-color="#d49450"/><stop offset="1" stop-color="#b0733a"/>
  </linearGradient>
  <linearGradient id="stonefill" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#a3a6ad"/><stop offset="1" stop-color="#73767e"/>
  </linearGradient>
  <linearGradient id="metalfill" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#dfe5ec"/><stop offset="0.45" stop-color="#a7b1bd"/><stop offset="1" stop-color="#6f7a87"/>
  </linearGradient>
  <radialGradient id="rivet" cx="0.35" cy="0.35" r="0.7">
    <stop offset="0" stop-color="#ffffff"/><stop offset="1" stop-color="#7d8794"/>
  </radialGradient>
  <linearGradient id="glassfill" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#d2f1ff" stop-opacity="0.85"/><stop offset="1" stop-color="#5cb4e4" stop-opacity="0.7"/>
  </linearGradient>
  <linearGradient id="bevel" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#ffffff" stop-opacity="0.35"/><stop offset="0.25" stop-color="#ffffff" stop-opacity="0"/>
    <stop offset="0.75" stop-color="#000000" stop-opacity="0"/><stop offset="1" stop-color="#000000" stop-opacity="0.25"/>
  </linearGradient>
</defs>
EOF
}

block_svg() {
    local material=$1 w=$2 h=$3 damage=$4
    local len=$w thick=$h turn=""
    if [ "$h" -gt "$w" ]; then
        len=$h thick=$w turn="translate($w 0) rotate(90)"
    fi
    local radius=$((thick / 8 + 3)) outline=$OUTLINE
    [ "$material" = glass ] && outline="#2f6f95"
    echo "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"$w\" height=\"$h\" viewBox=\"0 0 $w $h\">"
    block_defs
    echo "<clipPath id=\"shape\"><rect $(block_shape "$w" "$h" 2 "$radius")/></clipPath>"
    echo "<g clip-path=\"url(#shape)\"><g transform=\"$turn\">"
    if [ "$material" = wood ] && [ "$w" -eq "$h" ]; then
        wood_crate "$len"
    else
        "${material}_texture" "$len" "$thick"
    fi
    [ "$damage" -gt 0 ] && crack_layer "$material" "$len" "$thick" "$damage"
    echo "</g>"
    echo "<rect x=\"0\" y=\"0\" width=\"$w\" height=\"$h\" fill=\"url(#bevel)\"/>"
    echo "</g>"
    echo "<rect $(block_shape "$w" "$h" 2 "$radius") fill=\"none\" stroke=\"$outline\" stroke-width=\"4\"/>"
    echo "</svg>"
}
