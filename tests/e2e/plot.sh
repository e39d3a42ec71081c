#!/usr/bin/env bash
# The plot: SVG pictures and braille drawings of the selected columns.
source "$(dirname "$0")/lib.bash" "$1"

# Eleven rows: a rising column 0..10 and a falling one with a value that is not a number.
for i in 0 1 2 3 4 5 6 7 8 9 10; do
    if [ $i = 4 ]; then echo "$i nan"; else echo "$i $((10 - i))"; fi
done > lines.dat

# ---- SVG -------------------------------------------------------------------------------------
rc_is "an SVG picture is drawn" -# --plot lines.dat a.svg 0
run -# --plot lines.dat b.svg
expect_eq "the same input gives the same bytes" "" "$(cmp a.svg b.svg 2>&1)"
cat > svg_facts.py <<'EOF'
import sys, xml.etree.ElementTree as ET
S = '{http://www.w3.org/2000/svg}'
root = ET.parse(sys.argv[1]).getroot()
box = root.find(f'.//{S}rect[@class="box"]')
L, T = float(box.get('x')), float(box.get('y'))
R, B = L + float(box.get('width')), T + float(box.get('height'))
def ticks(cls, pos):
    t = [(float(e.text), float(e.get(pos)) - (4 if pos == 'y' else 0)) for e in root.iter(f'{S}text')
         if e.get('class') == cls]
    steps = {round(b[0] - a[0], 9) for a, b in zip(t, t[1:])}
    step = steps.pop() if len(steps) == 1 else None
    mant = step / 10 ** __import__('math').floor(__import__('math').log10(step) + 1e-9) if step else 0
    return t, f'{t[0][0]:g}..{t[-1][0]:g} step {step:g} {"round" if round(mant, 6) in (1, 2, 5) else "NOT round"}'
xt, xs = ticks('xtick', 'x')
yt, ys = ticks('ytick', 'y')
lines = [[tuple(map(float, p.split(','))) for p in e.get('points').split()] for e in root.iter(f'{S}polyline')]
px = [p[0] for l in lines for p in l]; py = [p[1] for l in lines for p in l]
print(f'{len(lines)} lines; x ticks {xs}; y ticks {ys}')
print(f'box {L:g}..{R:g} x {T:g}..{B:g}; lines {min(px):g}..{max(px):g} x {min(py):g}..{max(py):g}')
# The first and last ticks stand on the box's edges.
print('ticks on the edges' if (xt[0][1], xt[-1][1], yt[0][1], yt[-1][1]) == (L, R, B, T) else 'ticks off the edges')
EOF
if command -v python3 >/dev/null 2>&1; then
    # Rows 1..11 and values 0..10 are round: the axes end at them, so the data spans the box.
    expect_eq "the picture is XML whose ticks are round, cover the data and whose data fills the box" \
        "3 lines; x ticks 1..11 step 1 round; y ticks 0..10 step 2 round
box 72..776 x 44..444; lines 72..776 x 44..444
ticks on the edges" "$(python3 svg_facts.py a.svg 2>&1)"
    # Values that do not end on round numbers: the axes grow to the ticks around them.
    printf '%s\n' 0.13 0.5 -0.31 0.97 > odd.dat
    run -# --plot odd.dat odd.svg
    expect_contains "odd ranges get round ticks around them" "x ticks 1..4 step 0.5 round; y ticks -0.4..1 step 0.2 round" \
        "$(python3 svg_facts.py odd.svg 2>&1)"
else
    echo "python3 is not installed: the SVG checks are skipped"
fi
if command -v rsvg-convert >/dev/null 2>&1; then
    expect_eq "rsvg-convert renders the picture" "" "$(rsvg-convert a.svg -o a.png 2>&1)"
else
    echo "rsvg-convert is not installed: the rendering check is skipped"
fi
run -# --plot=points,x=2:5,y=0:5 -e 2 lines.dat p.svg
expect_contains "points are dots, clipped to the ranges given" '<path class="dots" stroke="#0072b2"' "$(cat p.svg)"
printf '7 3\n' > one.dat
run -# --plot one.dat one.svg
expect_eq "one row draws one dot a series" 2 "$(grep -c 'class="dots"' one.svg)"
printf 'a<&"b\n' > 'x<&.dat' && cat lines.dat >> 'x<&.dat'
run -# --plot 'x<&.dat' name.svg
expect_contains "the title is escaped" "<title>x&lt;&amp;.dat</title>" "$(cat name.svg)"

# ---- Braille ---------------------------------------------------------------------------------
printf '0\n1\n2\n3\n' > k.dat
run_env "COLUMNS=24 LINES=8" -# --plot k.dat -
expect_eq "a small series draws the expected braille cells at the size of COLUMNS and LINES" \
"         k.dat
4 ┤                    ⣀
2 ┤            ⣀⣀⡠⠤⠔⠒⠉⠉
0 ┤     ⣀⠤⠤⠒⠒⠉⠉
  └┬─────────┬─────────┬
   0         2         4
   ⣿ column 1  (x: row)
" "$OUT"
run_env "COLUMNS=30 LINES=10" -# --plot=xy lines.dat -
expect_eq "xy against the first column, a gap at the value that is not a number" \
"          lines.dat
10 ┤⠉⠒⠢⠤⣀
   │     ⠉⠑⠢⠄
 5 ┤             ⠤⢄⣀⡀
   │                ⠈⠑⠒⠤⣀⡀
 0 ┤                     ⠈⠑⠒⠤⣀
   └┬────────────┬───────────┬
    0            5          10
    ⣿ column 2  (x: column 1)
" "$OUT"
run_env "NO_COLOR=" -# --plot lines.dat -
expect_not_contains "no colours when the output is not a terminal" $'\e[' "$OUT"
expect_eq "80 x 24 without a size: 23 lines" 23 "$(printf '%s' "$OUT" | wc -l)"
printf '5\n5\n5\n' > const.dat
run_env "COLUMNS=30 LINES=9" -# --plot const.dat -
expect_contains "a constant column gets an axis around its value" "5.0 ┤" "$OUT"

# ---- Nothing to plot -------------------------------------------------------------------------
printf '# only a comment\n' > empty.dat
printf 'nan\ninf\n' > nonfinite.dat
for f in empty.dat nonfinite.dat; do
    run -# --plot $f out.svg
    expect_rc "$f: status 1" 1
    expect_contains "$f: nothing to plot" "Nothing to plot in $f" "$ERR"
    expect_no_file "$f: no picture" out.svg
done
err_has "xy needs two columns" -# --plot=xy -e 1 lines.dat - "An xy plot needs two columns"
err_has "an unknown style word is refused" --plot=dots lines.dat - "Unknown plot style dots"
finish
