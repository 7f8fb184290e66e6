#!/usr/bin/env python3
# Writes the SVG sources of the camera and advanced settings pages' pictures into svg/
# (resources/render.sh runs it).
import os

os.makedirs("svg", exist_ok=True)
BLUE = "#1f3f8d"
GREY = "#656263"


def put(name, w, h, body):
    with open(f"svg/{name}.svg", "w") as f:
        f.write(f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">\n{body}</svg>\n')


def camera(x, y, s, fill):
    # A box camera with its lens hood, scaled by s from a 52 x 36 body.
    return (f'<rect x="{x}" y="{y}" width="{36 * s}" height="{28 * s}" rx="{4 * s}" fill="{fill}"/>'
            f'<path d="M{x + 36 * s} {y + 8 * s} L{x + 50 * s} {y} V{y + 28 * s} L{x + 36 * s} {y + 20 * s} Z" fill="{fill}"/>')


# Camera buttons 1..4 (60, 62, 64, 66): the camera with its number, readable on the light and the
# dark (checked) button.
for i, name in enumerate(["60", "62", "64", "66"]):
    put(name, 58, 58, f'  {camera(4, 15, 1, BLUE)}\n'
        f'  <rect x="4" y="15" width="36" height="28" rx="4" fill="none" stroke="#ffffff" stroke-width="2"/>\n'
        f'  <text x="22" y="37" font-family="DejaVu Sans" font-size="20" font-weight="bold" fill="#ffffff" text-anchor="middle">{i + 1}</text>\n')

# Page mark beside the title: a grey camera with a lens.
put("48", 64, 48, f'  {camera(2, 8, 1.2, GREY)}\n  <circle cx="23.6" cy="24.8" r="8" fill="none" stroke="#ffffff" stroke-width="3"/>\n')

# Restore default (57-1): a circular arrow back to a camera, on a rounded button.
put("57-1", 128, 46, f'''  <rect x="1" y="1" width="126" height="44" rx="8" fill="#F8F8FF" stroke="#d3d3d3" stroke-width="2"/>
  <path d="M30 14 A11 11 0 1 1 19 25" fill="none" stroke="{BLUE}" stroke-width="4" stroke-linecap="round"/>
  <path d="M30 7 L31 16 L22 16 Z" fill="{BLUE}"/>
  {camera(56, 10, 0.9, BLUE)}
  <text x="72" y="29" font-family="DejaVu Sans" font-size="12" font-weight="bold" fill="#ffffff" text-anchor="middle">D</text>
''')

# Camera assignment (57): two cameras with swap arrows between them.
put("57", 128, 46, f'''  <rect x="1" y="1" width="126" height="44" rx="8" fill="#F8F8FF" stroke="#d3d3d3" stroke-width="2"/>
  {camera(8, 11, 0.62, BLUE)}
  {camera(89, 11, 0.62, BLUE)}
  <path d="M48 17 H78 M72 11 L79 17 L72 23 M80 30 H50 M56 24 L49 30 L56 36" fill="none" stroke="{GREY}" stroke-width="3.5" stroke-linecap="round" stroke-linejoin="round"/>
''')

# View button: docked (58) a window with an arrow out of it; floating (58-1) the arrow back in.
frame = f'<rect x="6" y="14" width="38" height="38" rx="4" fill="none" stroke="{BLUE}" stroke-width="4"/>'
put("58", 60, 60, f'  {frame}\n  <path d="M24 34 L52 8 M36 8 H52 V24" fill="none" stroke="{BLUE}" stroke-width="4" stroke-linecap="round" stroke-linejoin="round"/>\n')
put("58-1", 60, 60, f'  {frame}\n  <path d="M52 8 L26 32 M26 18 V32 H40" fill="none" stroke="{BLUE}" stroke-width="4" stroke-linecap="round" stroke-linejoin="round"/>\n')

# Divider mark of the factory rows (4a): sliders in a circle.
put("4a", 36, 36, f'''  <circle cx="18" cy="18" r="16" fill="#ffffff" stroke="#d3d3d3" stroke-width="2"/>
  <path d="M10 12 H26 M10 18 H26 M10 24 H26" stroke="{GREY}" stroke-width="2" stroke-linecap="round"/>
  <circle cx="14" cy="12" r="2.6" fill="{BLUE}"/><circle cx="22" cy="18" r="2.6" fill="{BLUE}"/><circle cx="17" cy="24" r="2.6" fill="{BLUE}"/>
''')
