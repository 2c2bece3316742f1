#!/usr/bin/env python3
"""Makes the one-file page: inline.py VERSION TEMPLATE PAGE_JS WORKER_JS CORE_PORTABLE_JS CORE_SIMD_JS OUTPUT.

Puts the scripts into the template's placeholders and writes its security
policy, which lets run only this page's own script and style (by their
hashes), the converter's WebAssembly, and a worker made from the page's own
text (a blob: URL); nothing else, no connection of any kind."""
import base64
import hashlib
import re
import sys

version, template, page, worker, portable, simd, output = sys.argv[1:]


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def digest(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode("utf-8")).digest()).decode() + "'"


html = read(template)
for placeholder, path in (("@CORE_PORTABLE@", portable), ("@CORE_SIMD@", simd), ("@WORKER@", worker),
                          ("@PAGE@", page)):
    text = read(path)
    # Inside a script element these would end it or change how it is parsed.
    if re.search(r"</script|<!--|<script", text, re.IGNORECASE):
        sys.exit(f"inline.py: {path} holds text that cannot stand in a script element")
    html = html.replace(placeholder, text.strip(), 1)
html = html.replace("@VERSION@", version)

scripts = re.findall(r"<script>(.*?)</script>", html, re.DOTALL)
styles = re.findall(r"<style>(.*?)</style>", html, re.DOTALL)
if len(scripts) != 1 or len(styles) != 1:
    sys.exit("inline.py: the template needs exactly one <script> and one <style>")
policy = "; ".join([
    "default-src 'none'",
    f"script-src {digest(scripts[0])} 'wasm-unsafe-eval'",
    f"style-src {digest(styles[0])}",
    "worker-src blob:",
    "connect-src 'none'",
    "form-action 'none'",
    "base-uri 'none'",
])
html = html.replace("@CSP@", policy, 1)
if re.search(r"@[A-Z_]+@", re.sub(r"<script.*?</script>", "", html, flags=re.DOTALL)):
    sys.exit("inline.py: a placeholder was left")
with open(output, "w", encoding="utf-8") as f:
    f.write(html)
