# Wraps one HTML page (UTF-8, no external parts) into a MIME HTML file, the
# form of Help.mht that the desktop's browser opens:
#   cmake -DINPUT=page.html -DOUTPUT=Help.mht -P make_mht.cmake
file(READ "${INPUT}" page)
set(boundary "----=_VELTOR_Help_Part")
file(WRITE "${OUTPUT}"
  "MIME-Version: 1.0\r\n"
  "Content-Type: multipart/related; boundary=\"${boundary}\"; type=\"text/html\"\r\n"
  "\r\n"
  "--${boundary}\r\n"
  "Content-Type: text/html; charset=\"utf-8\"\r\n"
  "Content-Transfer-Encoding: 8bit\r\n"
  "Content-Location: file:///Help.html\r\n"
  "\r\n"
  "${page}\r\n"
  "--${boundary}--\r\n")
