/* theme constants */ (function(){ window.Theme = window.Theme || {}; window.Theme['constants'] = true; })();
