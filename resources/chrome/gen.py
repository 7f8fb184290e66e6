#!/usr/bin/env python3
# Writes the SVG sources of the main screen's chrome pictures into svg/ (resources/render.sh runs it).
import os

os.makedirs("svg", exist_ok=True)


def put(name, w, h, body):
    with open(f"svg/{name}.svg", "w") as f:
        f.write(f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">\n{body}</svg>\n')


# Title-bar lamps 20..33 (18/19 come with the core pictures): inputs green, outputs amber; off grey.
def lamp(name, on, light, dark, edge):
    if on:
        grad = f'<stop offset="0" stop-color="#ffffff"/><stop offset="0.45" stop-color="{light}"/><stop offset="1" stop-color="{dark}"/>'
        halo = f'  <circle cx="35" cy="34" r="32" fill="{light}" opacity="0.25"/>\n'
    else:
        grad, halo, edge = '<stop offset="0" stop-color="#9a9a9a"/><stop offset="1" stop-color="#3c3c3c"/>', "", "#222"
    put(name, 70, 80, f'''  <defs><radialGradient id="g" cx="0.4" cy="0.35" r="0.7">{grad}</radialGradient></defs>
  <rect x="27" y="62" width="16" height="14" fill="#6b6b6b"/>
{halo}  <circle cx="35" cy="34" r="28" fill="url(#g)" stroke="{edge}" stroke-width="3"/>
''')


for i in range(1, 4):
    lamp(str(18 + 2 * i), True, "#37e03a", "#0c7a1a", "#0b4d13")
    lamp(str(19 + 2 * i), False, "", "", "")
for i in range(4):
    lamp(str(26 + 2 * i), True, "#ffb020", "#b35c00", "#6b3700")
    lamp(str(27 + 2 * i), False, "", "", "")

W = 'fill="none" stroke="#1f3f8d" stroke-width="5" stroke-linecap="round" stroke-linejoin="round"'
WW = W.replace("#1f3f8d", "#ffffff")
# Option bar icons, 68 x 68, line drawings: blue on the grey buttons, white on the green/red one.
put("split", 68, 68, f'  <g {W}><rect x="8" y="8" width="22" height="22"/><rect x="38" y="8" width="22" height="22"/><rect x="8" y="38" width="22" height="22"/><rect x="38" y="38" width="22" height="22"/></g>\n')
put("stop", 68, 68, f'  <circle cx="34" cy="34" r="27" {WW}/>\n  <rect x="23" y="23" width="22" height="22" fill="#ffffff"/>\n')
put("5", 68, 68, f'  <circle cx="34" cy="34" r="27" {WW}/>\n  <path d="M27 20 L50 34 L27 48 Z" fill="#ffffff"/>\n')
put("setting", 68, 68, f'''  <g {W}><circle cx="34" cy="34" r="10"/>
  <path d="M34 6 V16 M34 52 V62 M6 34 H16 M52 34 H62 M14 14 L21 21 M47 47 L54 54 M14 54 L21 47 M47 21 L54 14"/>
  <circle cx="34" cy="34" r="20"/></g>
''')
put("sampling", 68, 68, f'  <g {W}><rect x="6" y="18" width="56" height="38" rx="6"/><circle cx="34" cy="37" r="11"/><path d="M22 18 L27 10 H41 L46 18"/></g>\n')
put("38", 68, 68, f'  <g {W}><rect x="8" y="8" width="52" height="52" stroke-dasharray="8 6"/><rect x="20" y="22" width="22" height="18"/><circle cx="44" cy="44" r="9"/></g>\n')
put("39", 68, 68, f'  <g {W}><path d="M8 60 H60"/><path d="M16 60 V40 M30 60 V24 M44 60 V32 M58 60 V14"/></g>\n')
put("39a", 68, 68, f'  <g {W}><rect x="6" y="18" width="56" height="38" rx="6"/><circle cx="34" cy="37" r="11"/><path d="M22 18 L27 10 H41 L46 18"/></g>\n  <text x="34" y="42" font-family="DejaVu Sans" font-size="14" font-weight="bold" fill="#1f3f8d" text-anchor="middle">M</text>\n')
put("40", 68, 68, f'  <g {W}><rect x="6" y="18" width="56" height="38" rx="6"/><circle cx="34" cy="37" r="11"/><path d="M22 18 L27 10 H41 L46 18"/></g>\n  <text x="34" y="42" font-family="DejaVu Sans" font-size="14" font-weight="bold" fill="#1f3f8d" text-anchor="middle">P</text>\n')

# Strip and clock icons, 32 x 32 (shown at 16 x 16).
T = 'fill="none" stroke="#ffffff" stroke-width="3" stroke-linecap="round" stroke-linejoin="round"'
put("costTime", 32, 32, f'  <g {T}><circle cx="16" cy="17" r="12"/><path d="M16 10 V17 L21 20 M12 3 H20"/></g>\n')
put("location", 32, 32, f'  <path d="M16 30 C16 30 5 18 5 12 A11 11 0 0 1 27 12 C27 18 16 30 16 30 Z" fill="#ffffff"/>\n  <circle cx="16" cy="12" r="4" fill="#1f3f8d"/>\n')
put("17a", 32, 32, '  <circle cx="16" cy="16" r="14" fill="#ee2329" stroke="#ffffff" stroke-width="2"/>\n  <path d="M10 10 L22 22 M22 10 L10 22" stroke="#ffffff" stroke-width="4" stroke-linecap="round"/>\n')
put("layer", 32, 32, f'  <g {T}><path d="M16 4 L29 11 L16 18 L3 11 Z"/><path d="M3 17 L16 24 L29 17"/><path d="M3 23 L16 30 L29 23"/></g>\n')
put("15", 32, 32, '  <circle cx="16" cy="16" r="14" fill="#4ab74c" stroke="#ffffff" stroke-width="2"/>\n  <path d="M16 14 V24" stroke="#ffffff" stroke-width="4" stroke-linecap="round"/>\n  <circle cx="16" cy="9" r="2.5" fill="#ffffff"/>\n')
put("warning2", 32, 32, '  <path d="M16 3 L30 28 H2 Z" fill="#ffc107" stroke="#ffffff" stroke-width="2" stroke-linejoin="round"/>\n  <path d="M16 11 V19" stroke="#222222" stroke-width="3.5" stroke-linecap="round"/>\n  <circle cx="16" cy="24" r="2" fill="#222222"/>\n')
put("camera", 64, 48, '  <rect x="2" y="10" width="44" height="34" rx="6" fill="#1f3f8d" stroke="#ffffff" stroke-width="3"/>\n  <path d="M46 20 L62 12 V42 L46 34 Z" fill="#1f3f8d" stroke="#ffffff" stroke-width="3" stroke-linejoin="round"/>\n  <circle cx="24" cy="27" r="9" fill="none" stroke="#ffffff" stroke-width="3"/>\n')
