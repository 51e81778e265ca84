# Debian's hardening of compiled programs, as dpkg-buildflags gives it with hardening=+all:
# fortified libc calls, stack protector and stack clash protection, format string checks,
# read-only relocations resolved at start (relro, bind-now), and position-independent
# executables (GCC's default on Debian). The sanitizer build goes without: the sanitizers
# replace the same libc calls, and fortification wants an optimised build.
if(NOT DRUMO_SANITIZE)
  add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat -Werror=format-security)
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
