// Prints the Wireshark dissector for the Vexel900 line, with every command's
// code, name and argument layout taken from the bench's command table, so
// the dissector and the bench cannot disagree about the wire.
//
//     gendissector [OUTPUT.lua]      (standard output without an argument)

#include "commands/commandset.h"
#include "commands/replydecoder.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <map>

namespace {

const char *argKind(Arg arg)
{
    switch (arg) {
    case Arg::Byte:
        return "Byte";
    case Arg::Word:
        return "Word";
    case Arg::ColorWord:
        return "ColorWord";
    case Arg::Angle:
        return "Angle";
    case Arg::Count32:
        return "Count32";
    case Arg::Y:
        return "Y";
    case Arg::Text:
        return "Text";
    case Arg::None:
        break;
    }
    return "None";
}

QString luaString(const QString &text)
{
    QString quoted = text;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + quoted + '"';
}

QString argList(const CommandSpec &command)
{
    QStringList kinds;
    for (std::size_t i = 0; i < argCount(command); ++i)
        kinds << luaString(QLatin1String(argKind(command.args[i])));
    return kinds.isEmpty() ? QStringLiteral("{}") : "{ " + kinds.join(", ") + " }";
}

const char *answerKind(AnswerKind kind)
{
    switch (kind) {
    case AnswerKind::KeptArmed:
        return "KeptArmed";
    case AnswerKind::Unread:
        return "Unread";
    case AnswerKind::Listing:
        return "Listing";
    case AnswerKind::OpenStatus:
        return "OpenStatus";
    case AnswerKind::HexResult:
        return "HexResult";
    case AnswerKind::Value:
        return "Value";
    case AnswerKind::CardPresence:
        return "CardPresence";
    case AnswerKind::SerialHex:
        return "SerialHex";
    case AnswerKind::Version:
        return "Version";
    }
    return "KeptArmed";
}

struct CodeEntry
{
    QStringList names;
    QString args;
};

// One entry per code: commands sharing a code are one frame on the wire.
bool groupByCode(std::map<quint8, CodeEntry> &codes, QString *error)
{
    for (const CommandSpec &command : allCommands()) {
        CodeEntry &entry = codes[command.code];
        const QString args = argList(command);
        if (!entry.names.isEmpty() && entry.args != args) {
            *error = QStringLiteral("code 0x%1 is shared by commands with different arguments")
                         .arg(command.code, 2, 16, QLatin1Char('0'));
            return false;
        }
        entry.names << QLatin1String(command.name);
        entry.args = args;
    }
    return true;
}

QString hexCode(quint8 code)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
}

// How the bench's reply reader pairs a reply with the code: whether the code
// arms it, and what it reads of the answer.
QString replyEntry(quint8 code)
{
    QString lua;
    if (codeArmsReply(code))
        lua += QStringLiteral(", arms = true");
    const AnswerSpec answer = answerToCode(code);
    if (answer.kind != AnswerKind::KeptArmed) {
        lua += QStringLiteral(",\n        answer = { kind = %1, label = %2, length = %3 }")
                   .arg(luaString(QLatin1String(answerKind(answer.kind))),
                        luaString(QLatin1String(answer.label)), QString::number(answer.length));
    }
    return lua;
}

QString replyConstants()
{
    QString lua = QStringLiteral("local MARK = {\n");
    const std::pair<const char *, quint8> markers[] = {
        {"pong", replymarker::pong},
        {"touch", replymarker::touch},
        {"status", replymarker::status},
        {"value", replymarker::value},
        {"card_present", replymarker::cardPresent},
        {"card_missing", replymarker::cardMissing},
    };
    for (const auto &[name, marker] : markers)
        lua += QStringLiteral("    %1 = %2,\n").arg(QLatin1String(name), hexCode(marker));
    lua += QStringLiteral("}\n");
    lua += QStringLiteral("local OPEN_SUCCEEDED = %1\n").arg(openSucceeded);
    lua += QStringLiteral("local PONG_LENGTH = %1\n").arg(pongLength);
    lua += QStringLiteral("local TOUCH_LENGTH = %1\n").arg(touchReportLength);
    lua += QStringLiteral("local PING = %1\n").arg(hexCode(codeOf(Command::Ping)));
    return lua;
}

QString commandTable(const std::map<quint8, CodeEntry> &codes)
{
    QString lua = QStringLiteral("local COMMANDS = {\n");
    for (const auto &[code, entry] : codes) {
        lua +=
            QStringLiteral("    [%1] = { name = %2, args = %3%4 },\n")
                .arg(hexCode(code), luaString(entry.names.join('/')), entry.args, replyEntry(code));
    }
    lua += QStringLiteral("}\n");
    lua += QStringLiteral("local EXTENDED_MODE = %1\n").arg(hexCode(codeOf(Command::ExtendedMode)));
    lua += QStringLiteral("local STANDARD_MODE = %1\n").arg(hexCode(codeOf(Command::StandardMode)));
    // The one command whose byte count announces data that follows its head.
    lua += QStringLiteral("local FILE_WRITE = %1\n").arg(hexCode(codeOf(Command::SdFileWrite)));
    return lua + replyConstants();
}

const char *const header =
    R"lua(-- Vexel900 serial line: a Wireshark dissector for pcapng captures of link
-- type USER0 (147), as the Vexel900 Bench and vexelsim --capture write them.
--
-- Generated by tools/wireshark/gendissector from the bench's command table
-- (commands/commandset.h). Edit those and rebuild, not this file.
--
-- Load: wireshark -X lua_script:vexel900.lua capture.pcapng
--   or: copy into ~/.local/lib/wireshark/plugins/
--
-- Packets whose flags say outbound carry the bench's commands, inbound ones
-- the module's replies; the preference "Captured at the module" swaps the
-- two for captures the simulator wrote.
--
-- The line carries no lengths: commands are read as one stream in capture
-- order, so a frame may begin in one packet and end in another (a text
-- command's head, text and closing zero; a file write's head and its data).
-- Y arguments follow the mode seen so far in the capture: a byte until
-- setExtendedMode, a big-endian word after it, a byte again after
-- setStandardMode. A capture begun while the module was already in extended
-- mode shows its Y bytes wrongly until the next mode command.
--
-- Replies are paired with commands on the first pass as the bench's reply
-- reader pairs them (commands/replypairing.h): a command that arms the
-- reader is answered by the next chunk, taken whole, when the reader reads
-- answers to it; a ping by the next pong the armed command does not take.
-- A reply is timed from its command's last byte, which for a text or a
-- file may be in a later packet. Paired replies read as in the bench's
-- Traffic window (version "V2.7b" for GETVERSION), with the latency in
-- vexel900.latency, in milliseconds; text answers that are not UTF-8 show
-- their bytes as they are.

)lua";

const char *const body = R"lua(
local vexel = Proto("vexel900", "Vexel900 serial line")

local CODE_NAMES = {}
for code, command in pairs(COMMANDS) do
    CODE_NAMES[code] = command.name
end

local f = {
    direction = ProtoField.string("vexel900.direction", "Direction"),
    command = ProtoField.string("vexel900.command", "Command"),
    code = ProtoField.uint8("vexel900.code", "Code", base.HEX, CODE_NAMES),
    args = ProtoField.string("vexel900.args", "Arguments"),
    byte = ProtoField.uint8("vexel900.byte", "Byte argument"),
    word = ProtoField.uint16("vexel900.word", "Word argument"),
    color = ProtoField.uint16("vexel900.color", "Colour argument (RGB565)", base.HEX),
    angle = ProtoField.double("vexel900.angle", "Angle argument (degrees)"),
    count = ProtoField.uint32("vexel900.count", "Count argument"),
    y = ProtoField.uint16("vexel900.y", "Y argument"),
    text = ProtoField.string("vexel900.text", "Text"),
    whole_text = ProtoField.string("vexel900.whole_text", "Whole text"),
    continued = ProtoField.string("vexel900.continued", "Continues command"),
    data = ProtoField.bytes("vexel900.data", "File data"),
    unknown = ProtoField.bytes("vexel900.unknown", "Unknown bytes"),
    reply = ProtoField.string("vexel900.reply", "Reply"),
    status = ProtoField.uint8("vexel900.status", "Status", base.HEX),
    value = ProtoField.uint32("vexel900.value", "Value"),
    reply_text = ProtoField.string("vexel900.reply_text", "Reply text"),
    touch_x = ProtoField.uint16("vexel900.touch.x", "Touch X"),
    touch_y = ProtoField.uint16("vexel900.touch.y", "Touch Y"),
    touch_button = ProtoField.uint8("vexel900.touch.button", "Touched button", base.HEX),
    answers = ProtoField.string("vexel900.answers", "Answers"),
    command_in = ProtoField.framenum("vexel900.command_in", "Command in frame", base.NONE,
        frametype and frametype.REQUEST),
    latency = ProtoField.double("vexel900.latency", "Latency (ms)"),
}
local fieldList = {}
for _, field in pairs(f) do
    fieldList[#fieldList + 1] = field
end
vexel.fields = fieldList

vexel.prefs.module_side = Pref.bool("Captured at the module", false,
    "The capture was written at the module's end of the line (vexelsim --capture): "
        .. "commands come in and replies go out.")

local KIND_FIELD = {
    Byte = f.byte, Word = f.word, ColorWord = f.color, Angle = f.angle, Count32 = f.count, Y = f.y,
}
local KIND_SIZE = { Byte = 1, Word = 2, ColorWord = 2, Angle = 2, Count32 = 4 }
local LOW_BYTE_FIRST = { ColorWord = true, Count32 = true }
local TURN_UNITS = 0x4000 -- a full circle
local NO_BUTTON = 0x7F

-- What the first pass learnt: the command stream's state and each packet's
-- items; the reply reader's armed command and awaited pong, and each reply
-- packet's pairing.
local stream, frames, pairing, replies

local function forget()
    stream = { extended = false, pending = nil }
    frames = {}
    pairing = {}
    replies = {}
end
forget()
vexel.init = forget -- a new capture, or one dissected again

local function argSize(kind, extended)
    if kind == "Y" then
        return extended and 2 or 1
    end
    return KIND_SIZE[kind]
end

local function headSize(command, extended)
    local size = 1
    for _, kind in ipairs(command.args) do
        if kind ~= "Text" then
            size = size + argSize(kind, extended)
        end
    end
    return size
end

local function number(bytes, first, size, lowFirst)
    local value = 0
    for k = 0, size - 1 do
        local index = lowFirst and first + size - 1 - k or first + k
        value = value * 256 + bytes:byte(index)
    end
    return value
end

-- The fixed arguments of a complete head; pos counts from the code byte.
local function decodeArgs(command, head, extended)
    local args, pos = {}, 1
    for _, kind in ipairs(command.args) do
        if kind ~= "Text" then
            local size = argSize(kind, extended)
            local value = number(head, pos + 1, size, LOW_BYTE_FIRST[kind])
            args[#args + 1] = { kind = kind, pos = pos, size = size, value = value }
            pos = pos + size
        end
    end
    return args
end

local function degrees(units)
    return units * 360 / TURN_UNITS
end

local function formatArg(arg)
    if arg.kind == "ColorWord" then
        return string.format("0x%04X", arg.value)
    elseif arg.kind == "Angle" then
        return string.format("%.6g°", degrees(arg.value))
    end
    return tostring(arg.value)
end

local function quoted(text)
    return '"' .. text:gsub('[^ -~]', function(c)
        return string.format("\\x%02X", c:byte())
    end):gsub('"', '\\"') .. '"'
end

-- A frame with this code starts to leave: it arms the reader, or awaits a pong.
local function pairSent(code, at)
    if COMMANDS[code].arms then
        pairing.armed = { code = code, micros = at.micros, frame = at.frame }
    end
    if code == PING then
        pairing.ping = { code = code, micros = at.micros, frame = at.frame }
    end
end

-- More of the frame with this code left: its answer is timed from here.
local function pairContinued(code, at)
    if pairing.armed and pairing.armed.code == code then
        pairing.armed.micros = at.micros
    end
end

-- After a complete head: the mode it sets, and the text or data it announces.
local function afterHead(item, stream)
    local command = COMMANDS[item.code]
    if item.code == EXTENDED_MODE then
        stream.extended = true
    elseif item.code == STANDARD_MODE then
        stream.extended = false
    end
    if command.args[#command.args] == "Text" then
        item.open = "text"
        stream.pending = { kind = "text", name = command.name, text = "", head = item }
    elseif item.code == FILE_WRITE and item.args[#item.args].value > 0 then
        item.dataCount = item.args[#item.args].value
        stream.pending = { kind = "data", name = command.name, remaining = item.dataCount }
    end
end

local function addUnknown(items, offset)
    local last = items[#items]
    if last and last.type == "unknown" and last.off + last.len == offset then
        last.len = last.len + 1
    else
        items[#items + 1] = { type = "unknown", off = offset, len = 1 }
    end
end

-- A code and its fixed arguments, perhaps begun in an earlier packet.
local function parseHead(bytes, i, stream, items, at)
    local pending = stream.pending
    local have = pending and pending.have or ""
    local code = pending and pending.code or bytes:byte(i)
    local command = COMMANDS[code]
    if not command then
        addUnknown(items, i - 1)
        return i + 1
    end
    if pending then
        pairContinued(code, at)
    else
        pairSent(code, at)
    end
    local item = { type = "command", code = code, start = i - 1 - #have }
    items[#items + 1] = item
    local need = headSize(command, stream.extended) - #have
    if #bytes - i + 1 < need then
        item.len, item.open = #bytes - i + 1, "head"
        stream.pending = { kind = "head", code = code, have = have .. bytes:sub(i) }
        return #bytes + 1
    end
    item.len = need
    item.args = decodeArgs(command, have .. bytes:sub(i, i + need - 1), stream.extended)
    stream.pending = nil
    afterHead(item, stream)
    return i + need
end

local function parseText(bytes, i, stream, items, at)
    local pending = stream.pending
    pairContinued(pending.head.code, at)
    local zero = bytes:find("\0", i, true)
    local stop = zero or #bytes + 1
    local piece = bytes:sub(i, stop - 1)
    local joinsHead = items[#items] == pending.head -- the head is in this packet too
    pending.text = pending.text .. piece
    items[#items + 1] = {
        type = "text", off = i - 1, len = (zero or #bytes) - i + 1, textLen = #piece, text = piece,
        name = pending.name, joinsHead = joinsHead, done = zero ~= nil,
        whole = zero and not joinsHead and pending.text or nil,
    }
    if zero then
        stream.pending = nil
    end
    return stop + 1
end

local function parseData(bytes, i, stream, items, at)
    local pending = stream.pending
    pairContinued(FILE_WRITE, at)
    local take = math.min(pending.remaining, #bytes - i + 1)
    pending.remaining = pending.remaining - take
    items[#items + 1] = { type = "data", off = i - 1, len = take, name = pending.name, left = pending.remaining }
    if pending.remaining == 0 then
        stream.pending = nil
    end
    return i + take
end

-- One packet of the command stream, continuing what the packets before left open.
-- `at` is the packet's time in microseconds and its number.
local function parseCommands(bytes, stream, at)
    local items, i = {}, 1
    while i <= #bytes do
        local kind = stream.pending and stream.pending.kind
        if kind == "text" then
            i = parseText(bytes, i, stream, items, at)
        elseif kind == "data" then
            i = parseData(bytes, i, stream, items, at)
        else
            i = parseHead(bytes, i, stream, items, at)
        end
    end
    return items
end

local function addArg(tvb, node, arg, start, index)
    local field = KIND_FIELD[arg.kind]
    local value = arg.kind == "Angle" and degrees(arg.value) or arg.value
    local label = string.format("Argument %d (%s): %s", index, arg.kind, formatArg(arg))
    if arg.kind == "Angle" then
        label = label .. string.format(" (0x%04X turn units)", arg.value)
    end
    local offset = start + arg.pos
    if offset >= 0 then
        node:add(field, tvb(offset, arg.size), value, label)
    else
        node:add(field, value, label):set_generated()
    end
end

local function showCommand(tvb, root, item)
    local command = COMMANDS[item.code]
    local node = root:add(f.command, tvb(math.max(item.start, 0), item.len), command.name)
    if item.start >= 0 then
        node:add(f.code, tvb(item.start, 1))
    else
        node:append_text(" (begun in an earlier packet)")
        node:add(f.code, item.code):set_generated()
    end
    if item.open == "head" then
        node:append_text(" (continues in the next packet)")
        return command.name .. " …"
    end
    local shown = {}
    for index, arg in ipairs(item.args) do
        addArg(tvb, node, arg, item.start, index)
        shown[#shown + 1] = formatArg(arg)
    end
    local description = command.name
    if #shown > 0 then
        node:add(f.args, table.concat(shown, ", ")):set_generated()
        description = description .. " " .. table.concat(shown, ", ")
    end
    if item.dataCount then
        description = description .. string.format(" (%d data bytes follow)", item.dataCount)
    elseif item.open == "text" then
        description = description .. " …"
    end
    return description
end

local function showText(tvb, root, item)
    if item.textLen > 0 then
        root:add(f.text, tvb(item.off, item.textLen), item.text)
    end
    if not item.joinsHead then
        root:add(f.continued, tvb(item.off, item.len), item.name)
    end
    if item.whole then
        root:add(f.whole_text, item.whole):set_generated()
        return item.name .. " " .. quoted(item.whole)
    end
    local piece = quoted(item.text) .. (item.done and "" or " …")
    return item.joinsHead and piece or (item.name .. " text " .. piece)
end

local function showData(tvb, root, item)
    root:add(f.continued, tvb(item.off, item.len), item.name)
    root:add(f.data, tvb(item.off, item.len))
    local description = string.format("%s data %d bytes", item.name, item.len)
    if item.left > 0 then
        description = description .. string.format(" (%d to come)", item.left)
    end
    return description
end

local function showUnknown(tvb, root, item)
    root:add(f.unknown, tvb(item.off, item.len))
    if item.len == 1 then
        return string.format("unknown code 0x%02X", tvb(item.off, 1):uint())
    end
    return string.format("%d unknown bytes", item.len)
end

local SHOW = { command = showCommand, text = showText, data = showData, unknown = showUnknown }

-- Where a packet stands: its time in whole microseconds, as the bench
-- records it, and its number.
local function packetAt(pinfo)
    return { micros = math.floor(pinfo.abs_ts * 1000000 + 0.5), frame = pinfo.number }
end

local function showCommands(tvb, pinfo, root)
    local items = frames[pinfo.number]
    if not items and not pinfo.visited then
        items = parseCommands(tvb:raw(), stream, packetAt(pinfo))
        frames[pinfo.number] = items
    end
    items = items or {}
    local descriptions = {}
    for _, item in ipairs(items) do
        local description = SHOW[item.type](tvb, root, item)
        if item.joinsHead and #descriptions > 0 then
            descriptions[#descriptions] = descriptions[#descriptions]:gsub(" …$", "") .. " " .. description
        else
            descriptions[#descriptions + 1] = description
        end
    end
    return descriptions
end

-- Replies carry no lengths either; each is recognised by its first byte.
local function readReply(bytes, i)
    local first, left = bytes:byte(i), #bytes - i + 1
    if first == MARK.touch and left >= TOUCH_LENGTH then
        return { kind = "touch", len = TOUCH_LENGTH, x = bytes:byte(i + 2) * 128 + bytes:byte(i + 1),
                 button = bytes:byte(i + 3), y = bytes:byte(i + 5) * 128 + bytes:byte(i + 4) }
    elseif first == MARK.status and left >= 2 then -- an SD card or capture result
        return { kind = "status", len = 2, status = bytes:byte(i + 1) }
    elseif first == MARK.value and left >= 5 then -- a 32-bit value
        return { kind = "value", len = 5, value = number(bytes, i + 1, 4, true) }
    end
    local zero = bytes:find("\0", i, true)
    if zero and zero > i and not bytes:sub(i, zero - 1):find("[^\t\n\r -~]") then
        return { kind = "text", len = zero - i + 1, text = bytes:sub(i, zero - 1) }
    elseif first == MARK.pong then
        return { kind = "pong", len = PONG_LENGTH }
    elseif first == MARK.card_present or first == MARK.card_missing then -- alone: yes or done; no card
        return { kind = "mark", len = 1, mark = string.char(first) }
    end
    return { kind = "other", len = left }
end

local function describeReply(reply)
    if reply.kind == "touch" then
        local button = reply.button == NO_BUTTON and "none" or tostring(reply.button)
        return string.format("touch x=%d y=%d button %s", reply.x, reply.y, button)
    elseif reply.kind == "status" then
        local meaning = ({ [0] = " (failed)", [1] = " (done)" })[reply.status] or ""
        return string.format("? %02X%s", reply.status, meaning)
    elseif reply.kind == "value" then
        return "= " .. reply.value
    elseif reply.kind == "text" then
        return "text " .. quoted(reply.text)
    elseif reply.kind == "pong" then
        return "pong"
    elseif reply.kind == "mark" then
        return reply.mark == ">" and "> (no card)" or "= (yes)"
    end
    return string.format("reply %d bytes", reply.len)
end

-- Each gets the reply's node, the packet and the offset of the reply's first byte.
local REPLY_FIELDS = {
    touch = function(node, tvb, at, reply)
        node:add(f.touch_x, tvb(at + 1, 2), reply.x)
        node:add(f.touch_button, tvb(at + 3, 1))
        node:add(f.touch_y, tvb(at + 4, 2), reply.y)
    end,
    status = function(node, tvb, at) node:add(f.status, tvb(at + 1, 1)) end,
    value = function(node, tvb, at, reply) node:add(f.value, tvb(at + 1, 4), reply.value) end,
    text = function(node, tvb, at, reply) node:add(f.reply_text, tvb(at, #reply.text), reply.text) end,
}

-- Which command a chunk answers, as the bench's ReplyPairing decides: the
-- armed one if the reader reads answers to it, which takes the chunk whole
-- and disarms; else a ping, if the chunk is a pong. A pong ends the wait for
-- one either way.
local function pairReceived(bytes, at)
    local paired = {}
    local armed = pairing.armed
    if armed and COMMANDS[armed.code].answer then
        paired.by, paired.answer = armed, COMMANDS[armed.code].answer
        pairing.armed = nil
    end
    if bytes:byte(1) == MARK.pong and pairing.ping then
        paired.by = paired.by or pairing.ping
        pairing.ping = nil
    end
    if paired.by then
        paired.latency = at.micros - paired.by.micros
    end
    return paired
end

-- The bench's reader reads bytes a chunk lacks as 0.
local function byteAt(bytes, i)
    return bytes:byte(i) or 0
end

local function byteCount(count)
    return count == 1 and "1 byte" or string.format("%d bytes", count)
end

-- Where a chunk differs in length from the reply it was read as.
local function lengthNote(have, expected)
    if have < expected then
        return string.format(" (short: %d of %d bytes)", have, expected)
    elseif have == expected + 1 then
        return " + 1 extra byte"
    elseif have > expected then
        return string.format(" + %d extra bytes", have - expected)
    end
    return ""
end

-- As the Traffic window quotes texts.
local function benchQuoted(text)
    local escaped = text:gsub('[\\"]', "\\%0"):gsub("[^ -~]", function(c)
        return string.format("\\x%02x", c:byte())
    end)
    return '"' .. escaped .. '"'
end

local function hexOf(bytes)
    return (bytes:gsub(".", function(c) return string.format("%02x", c:byte()) end))
end

local function orEmpty(text)
    return text == "" and "(empty)" or text
end

-- The SD card result field's text for the answer, or nil where it stays.
local function sdResult(bytes, kind)
    local first = bytes:byte(1)
    if kind == "OpenStatus" and first == MARK.status then
        return byteAt(bytes, 2) == OPEN_SUCCEEDED and "OK" or "FAILED"
    elseif kind == "HexResult" then
        return hexOf(bytes)
    elseif kind == "Value" and first == MARK.value then
        local value = 0
        for i = 5, 2, -1 do
            value = value * 256 + byteAt(bytes, i)
        end
        return tostring(value)
    elseif kind == "CardPresence" and first == MARK.card_present then
        return "YES"
    elseif kind == "CardPresence" and first == MARK.card_missing then
        return "No"
    end
    return nil
end

local function describeAnswer(bytes, answer)
    if answer.kind == "Listing" or answer.kind == "Version" then
        local zero = bytes:find("\0", 1, true)
        local text = zero and bytes:sub(1, zero - 1) or bytes
        return answer.label .. " " .. benchQuoted(text) .. (zero and "" or " (no closing zero)")
    elseif answer.kind == "SerialHex" then
        return answer.label .. " " .. orEmpty(hexOf(bytes))
    end
    local result = sdResult(bytes, answer.kind)
    if not result then
        return string.format("reply (%s, not read)", byteCount(#bytes))
    end
    local note = answer.length > 0 and lengthNote(#bytes, answer.length) or ""
    return answer.label .. " " .. orEmpty(result) .. note
end

-- A chunk taken as the armed command's answer, worded as the Traffic window
-- words it: a touch report or a pong it also reads as, then the answer.
local function describeArmedAnswer(bytes, paired)
    local parts, first = {}, bytes:byte(1)
    if first == MARK.touch then
        local x = byteAt(bytes, 3) * 128 + byteAt(bytes, 2)
        local y = byteAt(bytes, 6) * 128 + byteAt(bytes, 5)
        parts[#parts + 1] = string.format("touch x=%d y=%d", x, y) .. lengthNote(#bytes, TOUCH_LENGTH)
    end
    if first == MARK.pong then
        parts[#parts + 1] = "pong" .. lengthNote(#bytes, PONG_LENGTH)
    end
    parts[#parts + 1] = describeAnswer(bytes, paired.answer) .. " for " .. COMMANDS[paired.by.code].name
    return table.concat(parts, "; ")
end

local function showArmedAnswer(tvb, root, paired)
    local bytes = tvb:raw()
    local description = describeArmedAnswer(bytes, paired)
    local node = root:add(f.reply, tvb(), description)
    local kind, first = paired.answer.kind, bytes:byte(1)
    if (kind == "Listing" or kind == "Version") and first ~= 0 then
        local zero = bytes:find("\0", 1, true)
        node:add(f.reply_text, tvb(0, zero and zero - 1 or #bytes), bytes:sub(1, (zero or 0) - 1))
    elseif kind == "Value" and first == MARK.value and #bytes >= 5 then
        REPLY_FIELDS.value(node, tvb, 0, { value = tonumber(sdResult(bytes, kind)) })
    elseif kind == "OpenStatus" and first == MARK.status and #bytes >= 2 then
        REPLY_FIELDS.status(node, tvb, 0)
    end
    return { description }
end

local function showEachReply(tvb, root)
    local bytes, descriptions, i = tvb:raw(), {}, 1
    while i <= #bytes do
        local reply = readReply(bytes, i)
        local description = describeReply(reply)
        local node = root:add(f.reply, tvb(i - 1, reply.len), description)
        if REPLY_FIELDS[reply.kind] then
            REPLY_FIELDS[reply.kind](node, tvb, i - 1, reply)
        end
        descriptions[#descriptions + 1] = description
        i = i + reply.len
    end
    return descriptions
end

local function showReplies(tvb, pinfo, root)
    local paired = replies[pinfo.number]
    if not paired and not pinfo.visited then
        paired = pairReceived(tvb:raw(), packetAt(pinfo))
        replies[pinfo.number] = paired
    end
    paired = paired or {}
    local descriptions = paired.answer and showArmedAnswer(tvb, root, paired) or showEachReply(tvb, root)
    if paired.by then
        local ms = paired.latency / 1000
        root:add(f.answers, COMMANDS[paired.by.code].name):set_generated()
        root:add(f.command_in, paired.by.frame):set_generated()
        root:add(f.latency, ms, string.format("Latency: %.3f ms", ms)):set_generated()
        descriptions[#descriptions] = descriptions[#descriptions] .. string.format(" (%.3f ms)", ms)
    end
    return descriptions
end

-- true: the bench's commands; false: the module's replies; nil: no direction recorded.
local function towardsModule(pinfo)
    local sent = pinfo.p2p_dir == P2P_DIR_SENT
    if pinfo.p2p_dir ~= P2P_DIR_SENT and pinfo.p2p_dir ~= P2P_DIR_RECV then
        return nil
    end
    return sent ~= vexel.prefs.module_side
end

function vexel.dissector(tvb, pinfo, tree)
    pinfo.cols.protocol = "Vexel900"
    if tvb:len() == 0 then
        return 0
    end
    local root = tree:add(vexel, tvb())
    local toModule = towardsModule(pinfo)
    if toModule == nil then
        root:add(f.direction, "unknown"):set_generated()
        pinfo.cols.info = string.format("%d bytes, direction not recorded", tvb:len())
        return tvb:len()
    end
    pinfo.cols.src = toModule and "bench" or "module"
    pinfo.cols.dst = toModule and "module" or "bench"
    root:add(f.direction, toModule and "to module" or "from module"):set_generated()
    local descriptions = toModule and showCommands(tvb, pinfo, root) or showReplies(tvb, pinfo, root)
    pinfo.cols.info = table.concat(descriptions, "; ")
    return tvb:len()
end

DissectorTable.get("wtap_encap"):add(wtap_encaps.USER0, vexel)
)lua";

bool writeOutput(const QByteArray &lua, const QString &path)
{
    if (path.isEmpty())
        return std::fwrite(lua.constData(), 1, size_t(lua.size()), stdout) == size_t(lua.size());
    // Written aside and renamed, so a build never picks up half a dissector.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(lua) == lua.size() && file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    std::map<quint8, CodeEntry> codes;
    QString error;
    if (!groupByCode(codes, &error)) {
        std::fprintf(stderr, "gendissector: %s\n", qPrintable(error));
        return 1;
    }
    const QByteArray lua = QByteArray(header) + commandTable(codes).toUtf8() + QByteArray(body);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!writeOutput(lua, path)) {
        std::fprintf(stderr, "gendissector: cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
