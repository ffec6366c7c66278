# Run at install time: links CARDHALL_FONT_NAME in share/cardhall/fonts of the install prefix to the
# system's CARDHALL_FONT_FILE. Within one top-level folder the link is relative, as Debian wants;
# from another prefix (/opt, a home folder) it is absolute.
set(link_dir "${CMAKE_INSTALL_PREFIX}/${CARDHALL_DATADIR}/cardhall/fonts")
string(REGEX MATCH "^/[^/]+" font_top "${CARDHALL_FONT_FILE}")
string(REGEX MATCH "^/[^/]+" link_top "${link_dir}")
if(font_top STREQUAL link_top)
  file(RELATIVE_PATH target "${link_dir}" "${CARDHALL_FONT_FILE}")
else()
  set(target "${CARDHALL_FONT_FILE}")
endif()
file(MAKE_DIRECTORY "$ENV{DESTDIR}${link_dir}")
message(STATUS "Installing: $ENV{DESTDIR}${link_dir}/${CARDHALL_FONT_NAME} -> ${target}")
file(CREATE_LINK "${target}" "$ENV{DESTDIR}${link_dir}/${CARDHALL_FONT_NAME}" SYMBOLIC)
