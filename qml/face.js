.pragma library
// The face of the window's texts, chosen here rather than left to the platform: a Windows
// without the face asked for falls back to the first face it knows, which can be a serif with
// lines three times as tall. Windows' own interface faces first, then the face Debian draws its
// desktop with; the platform's own only when none of them is there.
var family = ["Segoe UI", "Tahoma", "DejaVu Sans"].find(function (face) {
    return Qt.fontFamilies().indexOf(face) >= 0;
}) || Qt.application.font.family;
