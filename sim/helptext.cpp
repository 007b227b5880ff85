#include "helptext.h"

QString helpDescription()
{
    return QStringLiteral(R"(A simulated Vexel900 module at the far end of a pseudo-terminal.

It prints the device path of its line (for example /dev/pts/7) as a line
on standard output and links it as vexelsim-<pid> in
$XDG_RUNTIME_DIR/vexelsim, or in /tmp/vexelsim-<uid> when that variable is
not set; with --link PATH also at PATH, replacing a symbolic link there but
nothing else. The links go when the simulator ends (Ctrl-C, SIGTERM,
"quit", closing the window).

Replugging: "replug" hangs the line up as an unplugged USB adapter does.
Every descriptor on it is closed, so a program holding the device sees it
hang up, and replies not yet read are lost. After the pause a new device
takes its place under another name: its path is printed as one more line
on standard output, the links point at it in one step, and the capture
goes on. The module keeps its state, as if it stayed powered; only a
frame cut off by the hang-up is dropped.

With --reset-replug a frame of code FD is answered as usual, and once the
answer has been read (or after a second) the line hangs up, the module
starts afresh as after power-up (card files stay, open files close) and a
new line follows after a second. Get Serial and Reset Vexel both send FD
alone and cannot be told apart: with the option, both reset.

Snapshots are PNG files of what the panel shows, backlight included: on
SIGUSR1, on the input command "snapshot", and on exit when --snapshot is
given. Without --snapshot they go to vexelsim-<pid>.png.

With --capture the line is recorded as a pcapng file of link type
USER0 (147): every chunk read from the line as an inbound packet, every
reply and touch report as an outbound one, each stamped in microseconds.
The file is readable at any moment, even after the simulator is killed.

Commands on standard input, one a line:
  snapshot [FILE]   save a snapshot (to FILE if given)
  touch X Y         tap the panel at pixel X,Y (a click in the window)
  replug [SECONDS]  hang the line up; a new one follows after SECONDS
                    (default 1, decimals such as 0.5 allowed, at most 3600)
  quit              end the simulator

What the simulator assumes where the module's behaviour is not written:

Screen
- Start: white on black, position 0,0, layer 0 shown and drawn on, layer 1
  hidden and black, colour key 0000, backlight on at level 255.
- Layer 1 lies over layer 0 except where it has the colour key.
- Cls fills the drawing layer with the drawing colour (the bench's demo
  picks black first) and moves the position to 0,0.
- boxH and boxHFill span from the position to the given corner; circleRH
  and arcH are centred on the position; H_LINEH runs from the position to
  X on its row, V_LINE to Y in its column; neither moves the position.
  LINE_TO_XHY draws from the position to the point and moves there. End
  points are drawn.
- Arc angles: 16384 units to the circle, 0 pointing right, growing
  clockwise; an end below its beginning wraps through 0.
- Text: a built-in 5x7 font in 6x8 cells with its top-left corner at the
  position, which then moves right by the width drawn; no wrapping.
  select_font n magnifies it (n mod 4) + 1 times; .vxf fonts are not
  drawn. Bytes outside printable ASCII show as '?'. PRINT_STRING_BG also
  fills the cells with the background colour.
- Orientation turns the drawing coordinates, not what is already drawn:
  east, south and west turn them 90, 180 and 270 degrees clockwise; east
  and west are 240 wide and 320 high.
- Backlight off shows black; the level scales what is shown. Snapshots
  show this; captures and the frame buffer keep the full colours.
- .vxp images: a 6-byte header (width 16 bits LE, height one byte, one
  unused byte, transparent colour 16 bits LE), then width x height RGB565
  pixels, each low byte first, row by row from the top. Pixels of the
  transparent colour are not drawn; a file too short for its pixels is
  not drawn at all. sdPutIcon also draws .bmp files (by their extension).
  Images go with their top-left corner at the position, which stays.
- PUT_SF_ICON n draws entry n of the image directory of the --flash image
  (.vxp or .bmp as the entry's type says). Addresses count from
  0xD0300000 at the start of the data area (byte 39016 of the file).
- With --flash the header's start-up settings apply: backlight,
  brightness, touch protocol, extended mode and start screen (a colour,
  or an image at X,Y). Otherwise the start screen reads
  "Vexel900 simulator".

Touch
- B0 draws the button at once with the flash image of its state (up,
  down, disabled), cut to the button's size. Without that image a framed
  face stands in, labelled with the image number: light grey for up, dark
  grey for down, mid grey with a dark edge for disabled. Invisible
  buttons (state 4) and deleted ones (B1 state 0) are painted over with
  the background colour.
- Pressing an up button shows it down until the press ends. Buttons stay
  where they were drawn when the orientation changes later.
- A press sends one touch report; the end of a press sends nothing.
- Touch report: 81, X bits 0-6, X bits 7 up, the touched button's number
  (bits 0-6; 7F for none), Y bits 0-6, Y bits 7 up; X and Y in the
  current orientation. Protocol None (B2 00) sends no reports, every
  other protocol does. The protocol starts as vxButton (01), or as the
  flash image's header says.
- Calibrate touch answers "=" at once.

System
- Ping answers "8"; GETVERSION "Vexel900 simulator 1.0" and a zero byte;
  FD (Get Serial and Reset) the 8 bytes 56 58 39 30 30 00 00 01 and
  resets nothing unless --reset-replug is given. Show settings answers a text such as
  "backlight=on brightness=255 mode=standard ..." and a zero byte.
- Standard and extended mode answer nothing; extended mode gives SetXHY
  and LINE_TO_XHY a 16-bit Y.
- Buzzer on, off and beep (its byte in 10 ms units) are logged on
  standard error and shown in the window's title.
- Capture screen saves the composed layers as CAPnnnn.BMP (the first
  free number) on the card and answers "?" 01, or "?" 00.
- Unknown codes are logged on standard error and skipped byte by byte.

SD card
- Handles are 1 and 2. Names are relative to the card folder, with / or
  \ between folders; absolute names, ".." and links leading out of the
  folder are refused.
- "?" 01 for success or "?" 00 for failure answers create (which opens
  the file as the handle, emptied), open (existing files only), close,
  write (once all announced bytes are in; written at the position),
  delete (files and empty folders), folder create, and a list of a name
  that is no folder.
- Size, position and space answer "=" and 32 bits, low byte first, or
  "?" 00 for a handle that is not open.
- Space counts bytes of a 1 GiB card: used is the size of the files in
  the folder, free the rest, bad 0.
- Read answers the bytes from the position (fewer at the end), nothing
  for a handle that is not open.
- List answers "Directory of /NAME" and a line feed, one line per entry
  (folders as "NAME/" first, then files as "NAME SIZE"), and a zero byte.
- With --no-card, inserted answers ">" and every file command fails.
- With --lock-card the card is write-protected: files open and read as
  usual (open gives read-only access), while create, write, delete,
  folder create and capture screen answer "?" 00 and change nothing.)");
}
