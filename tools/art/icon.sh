# shellcheck shell=bash
# The game's icon: the red bird (tools/art/birds/basic_bird.svg, unchanged)
# over a rounded tile of sky and grass, outlined like the rest of the art. One
# SVG serves the desktop's scalable icon; its 256 px rendering is the window's
# icon and the desktop's bitmap one.

icon_svg() {
    local bird=$1
    cat <<'EOF'
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <defs>
    <linearGradient id="icon-sky" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#4aa3e8"/>
      <stop offset="1" stop-color="#c9ecff"/>
    </linearGradient>
    <linearGradient id="icon-grass" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#7fcf52"/>
      <stop offset="1" stop-color="#3f8a2c"/>
    </linearGradient>
    <clipPath id="icon-tile"><rect x="10" y="10" width="236" height="236" rx="46"/></clipPath>
  </defs>
  <rect x="10" y="10" width="236" height="236" rx="46" fill="url(#icon-sky)"/>
  <g clip-path="url(#icon-tile)">
    <g fill="#ffffff" opacity="0.85">
      <ellipse cx="58" cy="58" rx="30" ry="12"/>
      <ellipse cx="76" cy="50" rx="20" ry="13"/>
      <ellipse cx="196" cy="86" rx="24" ry="9"/>
    </g>
    <path d="M0 206 Q64 184 128 198 Q192 212 256 192 L256 256 L0 256 Z" fill="url(#icon-grass)"
          stroke="#2b1a10" stroke-width="5" stroke-linejoin="round"/>
  </g>
EOF
    # The bird, scaled up and standing on the grass: its root element becomes
    # a nested viewport of the tile.
    sed -e '1s/width="128" height="128"/x="30" y="26" width="196" height="196"/' "$bird"
    cat <<'EOF'
  <rect x="10" y="10" width="236" height="236" rx="46" fill="none" stroke="#2b1a10" stroke-width="6"/>
</svg>
EOF
}
