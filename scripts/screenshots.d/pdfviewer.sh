#!/usr/bin/env bash
# The PDF viewer on a three-page handbook with an outline, which it lists in its contents panel, its pages
# one below the other (Continuous), with the find bar gone to the second match of a word on two pages.
. "$(dirname "$0")/../screenshotlib.sh"
# The text stream of one page: a heading and its lines.
page_text() {
    local text="BT /F1 22 Tf 40 540 Td 28 TL" line
    for line in "$@"; do
        text+=" ($line) Tj T* /F1 14 Tf"
    done
    text+=" ET"
    printf '<< /Length %d >>\nstream\n%s\nendstream' "${#text}" "$text"
}
page="/Type /Page /Parent 2 0 R /MediaBox [0 0 420 595] /Resources << /Font << /F1 7 0 R >> >>"
pdf_from_objects "$shot_files/handbook.pdf" \
    "<< /Type /Catalog /Pages 2 0 R /Outlines 3 0 R /PageMode /UseOutlines >>" \
    "<< /Type /Pages /Kids [4 0 R 5 0 R 6 0 R] /Count 3 >>" \
    "<< /Type /Outlines /First 8 0 R /Last 11 0 R /Count 4 >>" \
    "<< $page /Contents 12 0 R >>" "<< $page /Contents 13 0 R >>" "<< $page /Contents 14 0 R >>" \
    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>" \
    "<< /Title (1. Members) /Parent 3 0 R /Next 9 0 R /Dest [4 0 R /Fit] >>" \
    "<< /Title (2. The garden) /Parent 3 0 R /Prev 8 0 R /Next 11 0 R /First 10 0 R /Last 10 0 R /Count 1 /Dest [5 0 R /Fit] >>" \
    "<< /Title (Beds and tools) /Parent 9 0 R /Dest [5 0 R /Fit] >>" \
    "<< /Title (3. Meetings) /Parent 3 0 R /Prev 9 0 R /Dest [6 0 R /Fit] >>" \
    "$(page_text "Garden club handbook" "" "1. Members" "" "Ann keeps the list of members." "Ben collects the fees in March." \
        "Carla has the key to the shed." "Dev waters the beds in August.")" \
    "$(page_text "2. The garden" "" "Twelve beds, four of them raised." "Tools go back to the shed at dusk.")" \
    "$(page_text "3. Meetings" "" "First Monday of the month, 7 pm." "The sale in May pays for seeds.")"
e2e_start "$shot_files/handbook.pdf"
id=$(e2e_wait_window "Brivo : Pdf Viewer - K.VARDEN" 30) || e2e_fail "no PDF viewer"
shot_settle "$id"
e2e_focus "$id"
xdotool key --clearmodifiers ctrl+7 ctrl+f
xdotool type --clearmodifiers --delay 20 "shed"
shot_settle "$id"
# The second match, on page 2, is scrolled to the middle of the view: the foot of page 1 shows above it.
xdotool key --clearmodifiers F3
shot_settle "$id"
shot_take "$id"
