# FreeType and fontconfig text.
