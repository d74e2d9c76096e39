document.querySelectorAll("li").forEach(function (item) {
  item.addEventListener("click", function () { item.classList.toggle("picked"); });
});
