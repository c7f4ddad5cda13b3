/* Toggles the small-screen menu. */
(function () {
	var button = document.querySelector('.menu-toggle');
	if (!button) return;
	button.addEventListener('click', function () {
		var open = button.getAttribute('aria-expanded') === 'true';
		button.setAttribute('aria-expanded', String(!open));
		document.getElementById('site-navigation').classList.toggle('toggled', !open);
	});
})();
