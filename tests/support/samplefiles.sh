# Shell helpers that make small sample files for scripts that start the real program: end-to-end checks,
# the package check, the README's screenshots. Source this file; every function writes the file it is
# given and fails when it cannot.

# A PDF with one page of 420x595 points showing the given lines of text (ASCII) in Helvetica, with a
# correct cross-reference table: byte offsets counted as it is written.
sample_pdf() {
    local out=$1 LC_ALL=C
    shift
    local text="BT /F1 20 Tf 40 540 Td 26 TL" line
    for line in "$@"; do
        line=${line//\\/\\\\}
        line=${line//(/\\(}
        line=${line//)/\\)}
        text+=" ($line) Tj T*"
    done
    text+=" ET"
    local objects=(
        "<< /Type /Catalog /Pages 2 0 R >>"
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 420 595] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>"
        "<< /Length ${#text} >>"$'\n'"stream"$'\n'"$text"$'\n'"endstream"
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"
    )
    pdf_from_objects "$out" "${objects[@]}"
}

# A PDF of the given objects, numbered from 1 in order (object 1 is the catalogue), with a correct
# cross-reference table: byte offsets counted as it is written.
pdf_from_objects() {
    local out=$1 LC_ALL=C
    shift
    local objects=("$@")
    local body="%PDF-1.4"$'\n' offsets=() i
    for i in "${!objects[@]}"; do
        offsets+=("${#body}")
        body+="$((i + 1)) 0 obj ${objects[$i]} endobj"$'\n'
    done
    local xref=${#body}
    body+="xref"$'\n'"0 $((${#objects[@]} + 1))"$'\n'"0000000000 65535 f "$'\n'
    for i in "${offsets[@]}"; do
        body+="$(printf '%010d 00000 n ' "$i")"$'\n'
    done
    body+="trailer << /Size $((${#objects[@]} + 1)) /Root 1 0 R >>"$'\n'"startxref"$'\n'"$xref"$'\n'"%%EOF"$'\n'
    printf '%s' "$body" >"$out"
}

# A picture of the given size (WxH): an evening sky over hills, drawn by ImageMagick.
sample_picture() {
    local out=$1 size=${2:-1024x683} w h
    w=${size%x*}
    h=${size#*x}
    convert -size "$size" gradient:'#1d3b6e-#f2a65a' \
        -fill '#fbe7a1' -draw "circle $((w * 7 / 10)),$((h * 3 / 5)) $((w * 7 / 10 + h / 9)),$((h * 3 / 5))" \
        -fill '#2e4a3a' -draw "polygon 0,$h 0,$((h * 3 / 4)) $((w / 4)),$((h * 3 / 5)) $((w / 2)),$((h * 4 / 5)) $((w * 3 / 4)),$((h * 2 / 3)) $w,$((h * 4 / 5)) $w,$h" \
        "$out"
}

# An animated GIF of a ball bouncing across twelve frames.
sample_gif() {
    local out=$1 frames=() i x y
    for i in $(seq 0 11); do
        x=$((20 + i * 20))
        y=$((150 - (i - 6) * (i - 6) * 3))
        frames+=(\( -size 280x180 xc:'#eef3f8' -fill '#d9534f' -draw "circle $x,$y $((x + 14)),$y" \))
    done
    convert -delay 8 -loop 0 "${frames[@]}" "$out"
}

# A video that shows picture $2 (made by sample_picture) for $3 seconds (default 5), MPEG-4 in AVI.
sample_video() {
    local out=$1 picture=$2 seconds=${3:-5}
    gst-launch-1.0 -q filesrc location="$picture" ! decodebin ! videoconvert ! videoscale \
        ! video/x-raw,width=640,height=360 ! imagefreeze num-buffers=$((seconds * 25)) \
        ! video/x-raw,framerate=25/1 ! avenc_mpeg4 bitrate=800000 ! avimux ! filesink location="$out" >/dev/null
}

# A WAV of a quarter second of silence (8 kHz, 8 bits, mono).
sample_wav() {
    { printf 'RIFF\x24\x07\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00'
      printf 'data\x00\x07\x00\x00'
      head -c 1792 /dev/zero | tr '\0' '\200'; } >"$1"
}
