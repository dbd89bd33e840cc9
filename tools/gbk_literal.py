import sys
for s in sys.argv[1:]:
    b = s.encode('gbk')
    out = ''.join('\\x%02x' % c if c >= 0x80 or c < 0x20 or c == 0x22 or c == 0x5c else chr(c) for c in b)
    # break hex escapes followed by hex digit chars
    res=''; prev_hex=False
    for c in b:
        if c >= 0x80:
            res += '\\x%02x' % c; prev_hex=True
        else:
            ch = chr(c)
            if ch == '\\': res += '\\\\'; prev_hex=False; continue
            if ch == '"': res += '\\"'; prev_hex=False; continue
            if prev_hex and ch in '0123456789abcdefABCDEF':
                res += '""'
            res += ch; prev_hex=False
    print(f'// "{s}"\n"{res}"')
