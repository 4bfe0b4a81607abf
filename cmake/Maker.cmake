# The maker, named in the About dialog, as the copyright holder of the
# project's own code in the version resources and the licence notices.
set(VELTOR_MAKER_NAME "Виробник VELTOR" CACHE STRING "About dialog: the maker's name")
string(TIMESTAMP VELTOR_RELEASE_YEAR "%Y" UTC)
