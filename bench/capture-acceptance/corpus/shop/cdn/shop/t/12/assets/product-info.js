/* theme product-info */ (function(){ window.Theme = window.Theme || {}; window.Theme['product-info'] = true; })();
