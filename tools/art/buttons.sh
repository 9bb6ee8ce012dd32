# Screen buttons, sourced by tools/generate-assets.
#
# button_svg NAME prints the SVG of one button. Every button is the same
# glossy rounded plate with a thick dark rim (so it stands out on light skies
# and on dark dusk alike) and a white icon with a dark outline. The corners
# outside the rounded plate stay transparent.

button_plate() {
    local w=$1 h=$2 top=$3 bottom=$4
    local r=$((h / 4))
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
<defs>
  <linearGradient id="plate" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="$top"/><stop offset="1" stop-color="$bottom"/>
  </linearGradient>
  <linearGradient id="gloss" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#ffffff" stop-opacity="0.6"/><stop offset="1" stop-color="#ffffff" stop-opacity="0.05"/>
  </linearGradient>
</defs>
<rect x="4" y="8" width="$((w - 8))" height="$((h - 12))" rx="$r" fill="#000000" opacity="0.25"/>
<rect x="4" y="4" width="$((w - 8))" height="$((h - 12))" rx="$r" fill="url(#plate)" stroke="#2b1a10" stroke-width="6"/>
<rect x="$((r / 2 + 6))" y="10" width="$((w - r - 12))" height="$((h / 3))" rx="$((r / 2))" fill="url(#gloss)"/>
EOF
}

# Icons are drawn in a 100 x 100 box and placed at the plate's centre.
icon_group() {
    local w=$1 h=$2 size=$3
    local s x y
    s=$(awk -v s="$size" 'BEGIN{printf "%.3f", s / 100}')
    x=$(((w - size) / 2))
    y=$(((h - 8 - size) / 2))
    echo "<g transform=\"translate($x $y) scale($s)\" stroke=\"#2b1a10\" stroke-width=\"7\" stroke-linejoin=\"round\" stroke-linecap=\"round\" fill=\"#ffffff\">"
}

button_icon() {
    case $1 in
    play) echo '<path d="M30 14 L82 50 L30 86 Z"/>' ;;
    quit) echo '<path d="M22 34 L34 22 L50 38 L66 22 L78 34 L62 50 L78 66 L66 78 L50 62 L34 78 L22 66 L38 50 Z"/>' ;;
    trophy)
        echo '<path d="M28 22 C4 22 10 52 34 52 M72 22 C96 22 90 52 66 52" fill="none" stroke="#2b1a10" stroke-width="14"/>'
        echo '<path d="M28 22 C4 22 10 52 34 52 M72 22 C96 22 90 52 66 52" fill="none" stroke="#ffd43b" stroke-width="6"/>'
        echo '<path d="M26 14 L74 14 L72 40 C70 56 60 62 50 62 C40 62 30 56 28 40 Z" fill="#ffd43b"/>'
        echo '<path d="M44 62 L56 62 L58 76 L42 76 Z" fill="#ffd43b"/>'
        echo '<path d="M30 76 L70 76 L72 90 L28 90 Z" fill="#ffd43b"/>'
        echo '<path d="M40 22 L38 40" stroke="#ffffff" stroke-width="5" fill="none" opacity="0.9"/>'
        ;;
    person)
        echo '<circle cx="50" cy="32" r="18"/>'
        echo '<path d="M16 90 C16 60 30 54 50 54 C70 54 84 60 84 90 Z"/>'
        ;;
    restart)
        echo '<path d="M50 26 A28 28 0 1 0 74 40" fill="none" stroke="#2b1a10" stroke-width="22" stroke-linecap="butt"/>'
        echo '<path d="M50 26 A28 28 0 1 0 74 40" fill="none" stroke="#ffffff" stroke-width="10" stroke-linecap="butt"/>'
        echo '<path d="M46 8 L72 26 L46 44 Z"/>'
        ;;
    next)
        echo '<path d="M14 38 L50 38 L50 18 L86 50 L50 82 L50 62 L14 62 Z"/>'
        ;;
    esac
}

button_svg() {
    local w=128 h=128 top bottom icon size=84
    case $1 in
    start_button) w=256 top="#8be05a" bottom="#3f9a24" icon=play size=96 ;;
    button_quit) top="#ff8a7a" bottom="#c62f24" icon=quit ;;
    button_highscore) top="#7a8cff" bottom="#3a3fb0" icon=trophy ;;
    button_login) top="#7fd0ff" bottom="#2a7fc6" icon=person ;;
    restart_button) top="#ffc86a" bottom="#e07b12" icon=restart ;;
    next_button) top="#8be05a" bottom="#3f9a24" icon=next ;;
    *) return 1 ;;
    esac
    button_plate "$w" "$h" "$top" "$bottom"
    icon_group "$w" "$h" "$size"
    button_icon "$icon"
    echo "</g>"
    echo "</svg>"
}
