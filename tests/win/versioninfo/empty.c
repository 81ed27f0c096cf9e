// The version test libraries hold resources only.
int versioninfo_test_library;
