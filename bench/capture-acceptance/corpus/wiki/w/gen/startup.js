/* Module loader bootstrap: runs the queued page callbacks. */
(function () {
	window.mw = window.mw || { config: { set: function () {} }, loader: { impl: function () {} }, user: { tokens: { set: function () {} } } };
	var q = window.RLQ || [];
	window.RLQ = { push: function (f) { try { f(); } catch (e) {} } };
	q.forEach(function (f) { try { f(); } catch (e) {} });
	document.documentElement.className = document.documentElement.className.replace('client-nojs', 'client-js');
})();
