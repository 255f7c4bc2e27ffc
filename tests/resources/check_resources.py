#!/usr/bin/python3
"""Checks the resources carried by the built program (Sweepwright.exe or Sweepwright64.exe),
read back from the binary.

    /usr/bin/python3 check_resources.py path/to/Sweepwright.exe [unittest options]
"""
import struct
import sys
import unittest
from xml.etree import ElementTree

import pefile

RT_BITMAP, RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 2, 3, 5, 14, 24
ASM_V1, ASM_V2 = '{urn:schemas-microsoft-com:asm.v1}', '{urn:schemas-microsoft-com:asm.v2}'

LIGHT_BLUE = (207, 233, 254)
BAND_BLUE = (2, 77, 246)
WHITE = (255, 255, 255)
MAGENTA = (255, 0, 255)
# LR_LOADMAP3DCOLORS swaps these for the user's 3-D colours when a bitmap is loaded.
SYSTEM_GREYS = {(128, 128, 128), (192, 192, 192), (223, 223, 223)}

# Window and control styles
WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_VSCROLL, WS_HSCROLL, WS_GROUP, WS_TABSTOP = 0x00200000, 0x00100000, 0x00020000, 0x00010000
DS_MODALFRAME, DS_SETFONT, DS_CENTER = 0x80, 0x40, 0x800
BS_GROUPBOX, BS_OWNERDRAW, BS_FLAT = 0x7, 0xB, 0x8000
SS_LEFT, SS_CENTER, SS_BITMAP, SS_NOTIFY = 0x0, 0x1, 0xE, 0x100
LBS_NOTIFY, LBS_SORT, LBS_USETABSTOPS, LBS_NOINTEGRALHEIGHT = 0x1, 0x2, 0x80, 0x100
WS_EX_TRANSPARENT = 0x20
CLASS_NAMES = {0x80: 'Button', 0x81: 'Edit', 0x82: 'Static', 0x83: 'ListBox', 0x84: 'ScrollBar', 0x85: 'ComboBox'}

OWNER_DRAWN = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW
HIDDEN_OWNER_DRAWN = WS_CHILD | WS_TABSTOP | BS_OWNERDRAW
FLAT_GROUP = WS_CHILD | WS_VISIBLE | BS_GROUPBOX | BS_FLAT
LEFT_TEXT = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT
CENTRED_TEXT = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER
REPORT_LIST = (WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP
               | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT)

# Main window, template 141, in template (= tab) order: id, class, text, rectangle, style, extended style.
MAIN_CONTROLS = [
    (1070, 'Button', 'OK', (128, 177, 50, 14), OWNER_DRAWN, 0),
    (2, 'Button', 'CANCEL', (128, 177, 50, 14), OWNER_DRAWN, 0),
    (1052, 'Button', 'SCAN', (11, 40, 76, 16), OWNER_DRAWN, 0),
    (1053, 'Button', 'DOWNLOAD', (189, 40, 97, 16), OWNER_DRAWN, 0),
    (1054, 'Button', 'X', (290, 3, 10, 10), OWNER_DRAWN, 0),
    (1064, 'Button', '', (16, 81, 276, 29), FLAT_GROUP, 0),
    (1065, 'Static', 'Static', (18, 93, 264, 11), LEFT_TEXT, 0),
    (1076, 'Static', 'Searching For', (16, 70, 268, 11), LEFT_TEXT, 0),
    (1068, 'Static', 'for W32/Drellmoxin Trojan', (31, 25, 244, 11), CENTRED_TEXT, 0),
    (1075, 'Static', 'Varnholt Installed String', (6, 136, 292, 10), CENTRED_TEXT, 0),
    (1072, 'Static', 'CorvanelRegistration', (6, 103, 292, 11), CENTRED_TEXT, 0),
    (1074, 'Static', 'Static', (9, 71, 290, 14), CENTRED_TEXT, 0),
    (1077, 'Button', 'DLINK', (61, 133, 85, 7), OWNER_DRAWN, 0),
    (1080, 'Button', 'ULINK', (32, 177, 54, 6), OWNER_DRAWN, 0),
    (1085, 'Button', 'CORVANELLOGO', (241, 174, 38, 10), OWNER_DRAWN, 0),
    (1034, 'Button', '', (16, 111, 276, 58), FLAT_GROUP, 0),
    (1055, 'ListBox', '', (17, 117, 273, 51), REPORT_LIST, WS_EX_TRANSPARENT),
]

# Message dialog, template 142.
MESSAGE_CONTROLS = [
    (1, 'Button', 'OK', (24, 38, 50, 14), HIDDEN_OWNER_DRAWN, 0),
    (2, 'Button', 'Cancel', (102, 38, 50, 14), HIDDEN_OWNER_DRAWN, 0),
    (1085, 'Static', '', (15, 0, 25, 24), WS_CHILD | WS_VISIBLE | SS_BITMAP, 0),
    (1086, 'Static', ' Are you sure you want to continue ', (49, 5, 135, 19), LEFT_TEXT, 0),
    (3, 'Button', 'OK', (63, 38, 50, 14), OWNER_DRAWN, 0),
    (6, 'Button', 'YES', (24, 26, 50, 14), HIDDEN_OWNER_DRAWN, 0),
    (7, 'Button', 'NO', (100, 26, 50, 14), HIDDEN_OWNER_DRAWN, 0),
]

# Every bitmap the program carries: name or number -> (width, height, bits per pixel).
BITMAPS = {152: (42, 40, 24), 153: (42, 40, 24), 154: (42, 40, 24), 155: (42, 40, 24), 156: (527, 338, 8)}
for stem, size, depth, states in (('SCAN', (180, 33), 8, 3), ('DOWNLOAD', (180, 33), 8, 3), ('X', (21, 21), 8, 2),
                                  ('OK', (92, 24), 8, 2), ('CANCEL', (92, 24), 8, 2), ('YES', (92, 24), 8, 2),
                                  ('NO', (92, 24), 8, 2), ('DLINK', (350, 43), 24, 2), ('ULINK', (350, 28), 24, 2),
                                  ('CORVANELLOGO', (100, 36), 24, 2)):
    BITMAPS[stem + '_FOCUS'] = BITMAPS[stem + '_NOTFOCUS'] = size + (depth,)
    if states == 3:
        BITMAPS[stem + '_DISABLE'] = size + (4,)

VERSION_STRINGS = {
    'Comments': 'Utility to detect and clean variants of W32/Drellmoxin.Trojan',
    'CompanyName': 'Corvanel Software',
    'FileDescription': 'Sweepwright',
    'FileVersion': '1, 0, 0, 0',
    'InternalName': 'Sweepwright',
    'LegalTrademarks': 'Varnholt',
    'OriginalFilename': 'Sweepwright.EXE',
    'ProductName': 'Sweepwright',
    'ProductVersion': '1, 0, 0, 0',
}


# ---------------------------------------------------------------- reading the binary

def load_resources(path):
    """{(type, name): data} for every resource; names are ints or upper-case strings as stored."""
    pe = pefile.PE(path)
    found = {}
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for entry in rtype.directory.entries:
            name = entry.id if entry.name is None else str(entry.name)
            for lang in entry.directory.entries:
                found[(rtype.id, name)] = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
    return pe, found


class Dib:
    """A packed device-independent bitmap (BITMAPINFOHEADER, colour table, pixels)."""

    def __init__(self, data, stored_height_factor=1):
        (size, self.width, height, planes, self.bpp, self.compression, _, _, _, used, _) = \
            struct.unpack_from('<IiiHHIIiiII', data)
        self.height = height // stored_height_factor
        entries = used or (1 << self.bpp if self.bpp <= 8 else 0)
        self.palette = [tuple(reversed(data[size + 4 * i:size + 4 * i + 3])) for i in range(entries)]
        self.bits = data[size + 4 * entries:]
        self.stride = (self.width * self.bpp + 31) // 32 * 4

    def row(self, y):
        """Colours of the row y counted from the top."""
        start = (self.height - 1 - y) * self.stride
        raw = self.bits[start:start + self.stride]
        if self.bpp == 24:
            return [tuple(reversed(raw[3 * x:3 * x + 3])) for x in range(self.width)]
        if self.bpp == 8:
            return [self.palette[raw[x]] for x in range(self.width)]
        if self.bpp == 4:
            return [self.palette[(raw[x // 2] >> (4 if x % 2 == 0 else 0)) & 15] for x in range(self.width)]
        raise ValueError('unexpected depth %d' % self.bpp)

    def pixels(self):
        return [self.row(y) for y in range(self.height)]

    def colours(self):
        return {colour for row in self.pixels() for colour in row}


def read_sz_or_ord(data, offset):
    if struct.unpack_from('<H', data, offset)[0] == 0xFFFF:
        return struct.unpack_from('<H', data, offset + 2)[0], offset + 4
    end = offset
    while struct.unpack_from('<H', data, end)[0] != 0:
        end += 2
    return data[offset:end].decode('utf-16-le'), end + 2


def parse_dialog(data):
    """A DLGTEMPLATEEX as a dict, its items as a list of dicts in template order."""
    version, signature, _, exstyle, style, count, x, y, cx, cy = struct.unpack_from('<HHIIIHhhhh', data)
    assert (version, signature) == (1, 0xFFFF), 'not an extended dialog template'
    offset = 26
    menu, offset = read_sz_or_ord(data, offset)
    window_class, offset = read_sz_or_ord(data, offset)
    title, offset = read_sz_or_ord(data, offset)
    dialog = dict(style=style, exstyle=exstyle, rect=(x, y, cx, cy), menu=menu, window_class=window_class,
                  title=title, font=None, items=[])
    if style & DS_SETFONT:
        points, weight, italic, charset = struct.unpack_from('<HHBB', data, offset)
        face, offset = read_sz_or_ord(data, offset + 6)
        dialog['font'] = (points, face)
    for _ in range(count):
        offset = (offset + 3) & ~3
        _, item_exstyle, item_style, ix, iy, icx, icy, item_id = struct.unpack_from('<IIIhhhhI', data, offset)
        item_class, offset = read_sz_or_ord(data, offset + 24)
        text, offset = read_sz_or_ord(data, offset)
        extra = struct.unpack_from('<H', data, offset)[0]
        offset += 2 + extra
        dialog['items'].append(dict(id=item_id, kind=CLASS_NAMES.get(item_class, item_class),
                                    text=text, rect=(ix, iy, icx, icy), style=item_style, exstyle=item_exstyle))
    return dialog


# ---------------------------------------------------------------- the checks

class ResourceTest(unittest.TestCase):
    exe = None

    @classmethod
    def setUpClass(cls):
        cls.pe, cls.resources = load_resources(cls.exe)

    def bitmap(self, name):
        self.assertIn((RT_BITMAP, name), self.resources, 'bitmap %r is missing' % (name,))
        return Dib(self.resources[(RT_BITMAP, name)])


class BitmapTests(ResourceTest):
    def test_every_bitmap_has_its_size_and_depth(self):
        for name, (width, height, bpp) in BITMAPS.items():
            with self.subTest(bitmap=name):
                dib = self.bitmap(name)
                self.assertEqual((dib.width, dib.height, dib.bpp, dib.compression), (width, height, bpp, 0))

    def test_no_bitmap_beyond_the_list(self):
        carried = {name for rtype, name in self.resources if rtype == RT_BITMAP}
        self.assertEqual(carried, set(BITMAPS))

    def test_no_colour_is_swapped_by_the_3d_colour_mapping(self):
        for name in BITMAPS:
            with self.subTest(bitmap=name):
                dib = self.bitmap(name)
                self.assertFalse(SYSTEM_GREYS & set(dib.palette), 'colour table holds a 3-D grey')
                self.assertFalse(SYSTEM_GREYS & dib.colours(), 'a pixel is a 3-D grey')

    def test_disable_images_are_plain_background(self):
        for name in ('SCAN_DISABLE', 'DOWNLOAD_DISABLE'):
            with self.subTest(bitmap=name):
                self.assertEqual(self.bitmap(name).colours(), {LIGHT_BLUE})

    def test_message_pictures_show_a_symbol_on_light_blue(self):
        for number in (152, 153, 154, 155):
            with self.subTest(picture=number):
                rows = self.bitmap(number).pixels()
                edge = rows[0] + rows[-1] + [row[0] for row in rows] + [row[-1] for row in rows]
                self.assertEqual(set(edge), {LIGHT_BLUE})
                symbol = sum(colour != LIGHT_BLUE for row in rows for colour in row)
                self.assertGreater(symbol, 42 * 40 // 3, 'hardly anything drawn')

    def test_message_pictures_keep_inside_the_picture_control(self):
        # the control is 25 x 24 dialog units: 37 x 39 pixels with Windows' 8-point MS Sans Serif,
        # and the dialog copies only the control's size of the picture
        for number in (152, 153, 154, 155):
            with self.subTest(picture=number):
                rows = self.bitmap(number).pixels()
                beyond = [row[37:] for row in rows[:39]] + [rows[39]]
                self.assertEqual({colour for part in beyond for colour in part}, {LIGHT_BLUE})

    def test_message_pictures_differ(self):
        pictures = [bytes(self.resources[(RT_BITMAP, n)]) for n in (152, 153, 154, 155)]
        self.assertEqual(len(set(pictures)), 4)

    def test_hot_images_differ_from_normal_ones_except_the_logo(self):
        for stem in ('SCAN', 'DOWNLOAD', 'X', 'OK', 'CANCEL', 'YES', 'NO', 'DLINK', 'ULINK'):
            with self.subTest(button=stem):
                self.assertNotEqual(self.bitmap(stem + '_FOCUS').pixels(), self.bitmap(stem + '_NOTFOCUS').pixels())
        self.assertEqual(self.bitmap('CORVANELLOGO_FOCUS').pixels(), self.bitmap('CORVANELLOGO_NOTFOCUS').pixels())

    def mean(self, name):
        rows = self.bitmap(name).pixels()
        middle = [colour for row in rows[len(rows) // 3:2 * len(rows) // 3] for colour in row]
        return tuple(sum(channel) / len(middle) for channel in zip(*middle))

    def test_button_colours(self):
        for stem in ('SCAN', 'DOWNLOAD'):
            with self.subTest(button=stem):
                focus, normal = self.mean(stem + '_FOCUS'), self.mean(stem + '_NOTFOCUS')
                self.assertTrue(normal[1] > normal[0] + 40 and normal[1] > normal[2] + 40, 'not green: %s' % (normal,))
                self.assertGreater(sum(focus), sum(normal) + 30, 'hot image not lighter')
        for stem in ('OK', 'CANCEL', 'YES', 'NO'):
            with self.subTest(button=stem):
                focus, normal = self.mean(stem + '_FOCUS'), self.mean(stem + '_NOTFOCUS')
                self.assertTrue(min(normal) > 150 and normal[2] >= normal[0], 'not pale blue-grey: %s' % (normal,))
                self.assertGreater(sum(focus), sum(normal), 'hot image not lighter')
        red, orange = self.mean('X_NOTFOCUS'), self.mean('X_FOCUS')
        self.assertTrue(red[0] > 150 and red[1] < 110, 'close box not red: %s' % (red,))
        self.assertTrue(orange[0] > 200 and 100 < orange[1] < 200 and orange[2] < 110, 'not orange: %s' % (orange,))

    def test_links_are_blue_text_on_light_blue_underlined_when_hot(self):
        for stem in ('DLINK', 'ULINK'):
            with self.subTest(link=stem):
                normal, focus = self.bitmap(stem + '_NOTFOCUS').pixels(), self.bitmap(stem + '_FOCUS').pixels()
                self.assertEqual(set(normal[1][1:-1]), {LIGHT_BLUE})
                ink = [c for row in normal for c in row if c != LIGHT_BLUE and c[2] > c[0] + 60]
                self.assertGreater(len(ink), 300, 'no blue text')
                # an underline is a long horizontal run that only the hot image has
                longest = max(self.longest_run(row) for row in focus)
                self.assertGreater(longest, 150)
                self.assertLess(max(self.longest_run(row) for row in normal), 60)

    @staticmethod
    def longest_run(row):
        best = run = 0
        for colour in row:
            run = run + 1 if colour != LIGHT_BLUE and colour[2] > colour[0] + 100 else 0
            best = max(best, run)
        return best


class BackgroundTests(ResourceTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.rows = Dib(cls.resources[(RT_BITMAP, 156)]).pixels()

    def assert_area(self, columns, rows, colour, what):
        for y in rows:
            wrong = [x for x in columns if self.rows[y][x] != colour]
            self.assertFalse(wrong, '%s: row %d, columns %s are not %s' % (what, y, wrong[:5], colour))

    def test_light_blue_fields_around_the_buttons(self):
        self.assert_area(range(527), range(64, 110), LIGHT_BLUE, 'upper field')
        self.assert_area(range(527), range(276, 316), LIGHT_BLUE, 'lower field')

    def test_white_panel_with_light_blue_margins(self):
        self.assert_area(range(6, 521), range(110, 276), WHITE, 'panel')
        self.assert_area(list(range(0, 6)) + list(range(521, 527)), range(110, 276), LIGHT_BLUE, 'panel margins')

    def test_band_is_plain_blue_where_the_family_label_and_the_close_box_go(self):
        # the family label lands at about x 53..472, y 40..58; the close box at x 498..519, y 4..25
        self.assert_area(range(50, 527), range(38, 64), BAND_BLUE, 'label area')
        self.assert_area(range(380, 527), range(0, 64), BAND_BLUE, 'right of the title line')
        self.assert_area(range(527), (0, 63), BAND_BLUE, 'band edges')

    def test_band_carries_emblem_and_title_at_its_left(self):
        emblem = sum(self.rows[y][x] != BAND_BLUE for y in range(64) for x in range(0, 52))
        title = sum(self.rows[y][x] == WHITE for y in range(38) for x in range(52, 380))
        self.assertGreater(emblem, 500, 'no emblem')
        self.assertGreater(title, 200, 'no title line')

    def test_bottom_band_of_blue_shades(self):
        shades = []
        for y in range(316, 338):
            self.assertEqual(len(set(self.rows[y])), 1, 'row %d is not one shade' % y)
            r, g, b = self.rows[y][0]
            self.assertTrue(b > r + 60 and b > g + 40, 'row %d is not blue: %s' % (y, (r, g, b)))
            shades.append(self.rows[y][0])
        self.assertGreaterEqual(len(set(shades)), 10)

    def test_no_magenta_so_the_window_region_is_the_whole_rectangle(self):
        self.assertFalse(any(MAGENTA in row for row in self.rows))


class DialogTests(ResourceTest):
    def dialog(self, number):
        self.assertIn((RT_DIALOG, number), self.resources)
        return parse_dialog(self.resources[(RT_DIALOG, number)])

    def assert_items(self, dialog, expected):
        self.assertEqual([item['id'] for item in dialog['items']], [row[0] for row in expected], 'order')
        for item, (ident, kind, text, rect, style, exstyle) in zip(dialog['items'], expected):
            with self.subTest(control=ident):
                self.assertEqual((item['kind'], item['text'], item['rect']), (kind, text, rect))
                self.assertEqual(hex(item['style']), hex(style))
                self.assertEqual(hex(item['exstyle']), hex(exstyle))

    def test_main_window_template(self):
        dialog = self.dialog(141)
        self.assertEqual(hex(dialog['style']), hex(WS_POPUP | WS_BORDER | DS_SETFONT))
        self.assertEqual((dialog['rect'], dialog['title'], dialog['menu'], dialog['window_class']),
                         ((0, 0, 349, 209), '', '', ''))
        self.assertEqual(dialog['font'], (8, 'MS Sans Serif'))
        self.assert_items(dialog, MAIN_CONTROLS)

    def test_main_window_is_centred_by_the_framework_not_by_its_template(self):
        dialog = self.dialog(141)
        self.assertFalse(dialog['style'] & (DS_CENTER | WS_VISIBLE))
        self.assertNotEqual(dialog['style'] & WS_CAPTION, WS_CAPTION, 'has a caption')
        self.assertEqual(dialog['rect'][:2], (0, 0))

    def test_main_window_clicks_on_texts_reach_the_dialog(self):
        for item in self.dialog(141)['items']:
            if item['kind'] == 'Static':
                with self.subTest(control=item['id']):
                    self.assertFalse(item['style'] & SS_NOTIFY)

    def test_report_list_neither_sorts_nor_notifies(self):
        report = [item for item in self.dialog(141)['items'] if item['id'] == 1055][0]
        self.assertFalse(report['style'] & (LBS_SORT | LBS_NOTIFY))

    def test_button_captions_name_existing_bitmaps(self):
        for number in (141, 142):
            for item in self.dialog(number)['items']:
                if item['kind'] == 'Button' and item['style'] & 0xF == BS_OWNERDRAW:
                    with self.subTest(dialog=number, control=item['id']):
                        for suffix in ('_FOCUS', '_NOTFOCUS'):
                            self.assertIn(item['text'].upper() + suffix, BITMAPS)
                            self.assertIn((RT_BITMAP, item['text'].upper() + suffix), self.resources)

    def test_message_dialog_template(self):
        dialog = self.dialog(142)
        self.assertEqual(hex(dialog['style']), hex(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT))
        self.assertEqual((dialog['rect'][2:], dialog['title'], dialog['menu']), ((187, 54), 'Dialog', ''))
        self.assertEqual(dialog['font'], (8, 'MS Sans Serif'))
        self.assert_items(dialog, MESSAGE_CONTROLS)


class VersionAndIconTests(ResourceTest):
    def test_fixed_version(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), (0x00010000, 0))
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (0x00010000, 0))

    def test_version_strings(self):
        tables = [table for info in self.pe.FileInfo[0] if info.Key == b'StringFileInfo'
                  for table in info.StringTable]
        self.assertEqual([table.LangID for table in tables], [b'040904b0'])
        strings = {k.decode(): v.decode() for k, v in tables[0].entries.items()}
        self.assertEqual(strings, VERSION_STRINGS)

    def test_translation(self):
        translations = [var.entry for info in self.pe.FileInfo[0] if info.Key == b'VarFileInfo' for var in info.Var]
        self.assertEqual(translations, [{b'Translation': '0x0409 0x04b0'}])

    def test_icon_group_128(self):
        self.assertIn((RT_GROUP_ICON, 128), self.resources)
        data = self.resources[(RT_GROUP_ICON, 128)]
        reserved, kind, count = struct.unpack_from('<HHH', data)
        self.assertEqual((reserved, kind), (0, 1))
        sizes = set()
        for i in range(count):
            width, height, _, _, planes, bpp, _, icon_id = struct.unpack_from('<BBBBHHIH', data, 6 + 14 * i)
            self.assertIn((RT_ICON, icon_id), self.resources)
            image = Dib(self.resources[(RT_ICON, icon_id)], stored_height_factor=2)
            self.assertEqual((image.width, image.height, image.bpp), (width, height, bpp))
            self.assertFalse(SYSTEM_GREYS & set(image.palette))
            sizes.add((width, height))
        self.assertEqual(sizes, {(32, 32), (16, 16)})


class ManifestTests(ResourceTest):
    def test_manifest_asks_for_administrator_rights_in_the_form_windows_xp_reads(self):
        self.assertIn((RT_MANIFEST, 1), self.resources, 'no manifest')
        data = self.resources[(RT_MANIFEST, 1)]
        assembly = ElementTree.fromstring(data)
        level = assembly.find('%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel' % ((ASM_V2,) * 4))
        # Only the identity and the trust information: no compatibility section (GetVersionExA
        # would answer differently), no common controls 6 (the controls would look different).
        self.assertEqual([child.tag for child in assembly], [ASM_V1 + 'assemblyIdentity', ASM_V2 + 'trustInfo'])
        self.assertEqual((level.get('level'), level.get('uiAccess')), ('requireAdministrator', 'false'))
        # XP SP2 can fail on an element that declares a namespace twice.
        self.assertEqual(data.count(b'xmlns'), 2)


if __name__ == '__main__':
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    ResourceTest.exe = sys.argv[1]
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=1)
