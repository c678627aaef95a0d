# A small Sphinx project for the compiler's tests, built with -b htmlhelp.
project = 'Garden Notes'
author = 'Folivane tests'
extensions = ['sphinxcontrib.htmlhelp']
language = 'en'
htmlhelp_basename = 'gardennotes'
