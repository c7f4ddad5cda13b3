/* theme global */ (function(){ window.Theme = window.Theme || {}; window.Theme['global'] = true; })();
