"""Builds the help file Orvane.chm from the pages in this folder.

    make_chm.py OUTPUT.chm WORK_DIR

The table of contents follows PAGES; each entry takes its page's <title>, and the index
takes the words of each page's <meta name="keywords">. The pages themselves are UTF-8
(they say so); the project, contents and index files are in the help's own code page,
932, since the viewer reads them in the language the file declares (Japanese).
"""

import html
import re
import shutil
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
PAGES = ["index.html", "play.html", "tray.html", "cuesheet.html", "timeview.html", "setup.html",
         "output.html", "icons.html", "formats.html", "errors.html", "install.html"]
EXTRA = ["style.css"]
CODE_PAGE = "cp932"
TITLE = "Orvane ヘルプ"


def page_facts(name):
    """(title, keywords, local links) of a page."""
    text = (HERE / name).read_text(encoding="utf-8")
    title = re.search(r"<title>(.*?)</title>", text, re.S).group(1).strip()
    meta = re.search(r'<meta name="keywords" content="([^"]*)"', text)
    keywords = [k.strip() for k in meta.group(1).split(",") if k.strip()] if meta else []
    links = re.findall(r'href="([^":#]+)(?:#[^"]*)?"', text)
    return html.unescape(title), [html.unescape(k) for k in keywords], links


def sitemap(entries):
    """An HTML Help site map (contents or index) of (name, page) entries."""
    items = "".join(f'<LI><OBJECT type="text/sitemap"><param name="Name" value="{html.escape(name)}">'
                    f'<param name="Local" value="{page}"></OBJECT>\n' for name, page in entries)
    return ('<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">\n<HTML><HEAD></HEAD><BODY>\n'
            f'<OBJECT type="text/site properties"><param name="ImageType" value="Folder"></OBJECT>\n'
            f"<UL>\n{items}</UL>\n</BODY></HTML>\n")


def project(output):
    return ("[OPTIONS]\nCompatibility=1.1 or later\n"
            f"Compiled file={output}\nContents file=Orvane.hhc\nIndex file=Orvane.hhk\n"
            f"Default topic={PAGES[0]}\nDisplay compile progress=No\nFull-text search=Yes\n"
            f"Language=0x411 日本語\nTitle={TITLE}\n\n[FILES]\n" + "\n".join(PAGES + EXTRA) + "\n")


def build(output, work):
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    contents, index = [], []
    for name in PAGES:
        title, keywords, links = page_facts(name)
        broken = [link for link in links if link not in PAGES + EXTRA]
        if broken:
            sys.exit(f"{name}: links to pages that are not in the help: {broken}")
        contents.append((title, name))
        index += [(keyword, name) for keyword in keywords]
        shutil.copy(HERE / name, work / name)
    for name in EXTRA:
        shutil.copy(HERE / name, work / name)
    # The index lists keywords alphabetically, as the viewer shows them.
    index.sort(key=lambda entry: entry[0].casefold())
    # A character outside code page 932 must fail the build, not turn into "?".
    (work / "Orvane.hhc").write_bytes(sitemap(contents).encode(CODE_PAGE))
    (work / "Orvane.hhk").write_bytes(sitemap(index).encode(CODE_PAGE))
    (work / "Orvane.hhp").write_bytes(project(output.name).encode(CODE_PAGE))
    done = subprocess.run(["chmcmd", "--no-html-scan", "Orvane.hhp"], cwd=work, capture_output=True, text=True)
    if done.returncode != 0 or not (work / output.name).exists():
        sys.exit(f"chmcmd failed:\n{done.stdout}{done.stderr}")
    shutil.copy(work / output.name, output)


if __name__ == "__main__":
    build(Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve())
