# Screen helpers shared by the demo scripts (sourced, not run).

# The client area of window $1 on the screen: "x y width height". xwininfo
# gives it directly; xdotool's geometry is relative to the window manager's frame.
client_geometry() {
  xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

# Dark pixels in the upper half of window $1's client area: a drawn page's
# heading and fields make a few thousand, an empty view none.
dark_pixels() {
  local x y w h
  read -r x y w h < <(client_geometry "$1")
  [[ -n "$h" ]] || { echo 0; return; }
  import -window root -crop "${w}x$((h / 2))+${x}+${y}" +repage png:- 2>/dev/null |
    convert png:- -colorspace gray -threshold 50% -negate -format '%[fx:round(mean*w*h)]' info: 2>/dev/null || echo 0
}
