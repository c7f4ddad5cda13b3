/* Page view counter. */
(function (w, d) {
	var s = d.currentScript && d.currentScript.src;
	var id = s ? (s.split('id=')[1] || '') : '';
	var data = JSON.stringify({ id: id, page: location.pathname, ref: d.referrer, w: w.innerWidth });
	try { navigator.sendBeacon('http://{{stats}}/collect', data); } catch (e) {}
})(window, document);
