# Wraps the help page into a MIME HTML file, the form of Help.mht that the
# desktop's browser opens, without the window's pictures (tools/help-build
# makes the help with them, for the packages):
#   cmake -DINPUT=page.html -DOUTPUT=Help.mht -P make_mht.cmake
file(READ "${INPUT}" page)
# A <figure> goes whole, its caption with it.
string(REGEX REPLACE "<figure>([^<]|<[^/]|</[^f]|</f[^i]|</fi[^g]|</fig[^u])*</figure>" "" page "${page}")
set(boundary "----=_VELTOR_Help_Part")
# "binary": browsers join the lines of an 8bit part without a space. No
# Content-Location: the page's relative links lead beside Help.mht.
file(WRITE "${OUTPUT}"
  "MIME-Version: 1.0\r\n"
  "Content-Type: multipart/related; boundary=\"${boundary}\"; type=\"text/html\"\r\n"
  "\r\n"
  "--${boundary}\r\n"
  "Content-Type: text/html; charset=\"utf-8\"\r\n"
  "Content-Transfer-Encoding: binary\r\n"
  "\r\n"
  "${page}\r\n"
  "--${boundary}--\r\n")
